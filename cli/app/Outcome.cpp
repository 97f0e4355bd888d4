#include "Outcome.h"

#include <cstring>

namespace meshaudit::cli {

namespace {

constexpr char kMagic[4] = {'M', 'A', 'O', '4'};

void PutBytes(std::string& out, const void* data, size_t size)
{
    out.append(static_cast<const char*>(data), size);
}

template <typename T>
void Put(std::string& out, T value)
{
    PutBytes(out, &value, sizeof value);
}

void PutString(std::string& out, const std::string& text)
{
    Put(out, static_cast<uint64_t>(text.size()));
    out += text;
}

class Input {
public:
    explicit Input(std::string_view bytes) : bytes_(bytes) {}

    bool Take(void* data, size_t size)
    {
        if (size > bytes_.size() - position_) {
            return false;
        }
        std::memcpy(data, bytes_.data() + position_, size);
        position_ += size;
        return true;
    }

    template <typename T>
    bool Get(T& value)
    {
        return Take(&value, sizeof value);
    }

    bool GetString(std::string& text)
    {
        uint64_t size = 0;
        if (!Get(size) || size > bytes_.size() - position_) {
            return false;
        }
        text.assign(bytes_.data() + position_, static_cast<size_t>(size));
        position_ += static_cast<size_t>(size);
        return true;
    }

    bool AtEnd() const { return position_ == bytes_.size(); }

private:
    std::string_view bytes_;
    size_t position_ = 0;
};

}  // namespace

const Quantity* ElementList::QuantityOf() const
{
    for (const Quantity& q : QuantitiesOf(static_cast<Category>(category))) {
        if (q.k == k) {
            return &q;
        }
    }
    return nullptr;
}

const ElementList* FileOutcome::WhereOf(const Quantity& quantity) const
{
    for (const ElementList& list : where) {
        if (list.category == static_cast<uint8_t>(quantity.category) && list.k == quantity.k) {
            return &list;
        }
    }
    return nullptr;
}

std::string EncodeOutcome(const FileOutcome& outcome)
{
    std::string out;
    PutBytes(out, kMagic, sizeof kMagic);
    Put(out, static_cast<uint32_t>(outcome.status));
    PutString(out, outcome.file);
    PutString(out, outcome.error);
    PutString(out, outcome.format);
    PutString(out, outcome.objectId);
    PutString(out, outcome.objectName);
    Put(out, static_cast<uint64_t>(outcome.notes.size()));
    for (const std::string& note : outcome.notes) {
        PutString(out, note);
    }
    Put(out, outcome.pointCount);
    Put(out, outcome.triangleCount);
    PutBytes(out, &outcome.results, sizeof outcome.results);
    PutBytes(out, &outcome.used, sizeof outcome.used);
    PutBytes(out, &outcome.reportOnly, sizeof outcome.reportOnly);
    Put(out, outcome.diagonal);
    Put(out, outcome.boxVolume);
    Put(out, static_cast<uint64_t>(outcome.where.size()));
    for (const ElementList& list : outcome.where) {
        Put(out, list.category);
        Put(out, list.k);
        Put(out, list.arity);
        Put(out, list.total);
        Put(out, static_cast<uint64_t>(list.data.size()));
        PutBytes(out, list.data.data(), list.data.size() * sizeof(uint32_t));
        Put(out, static_cast<uint64_t>(list.faces.size()));
        PutBytes(out, list.faces.data(), list.faces.size() * sizeof(uint32_t));
    }
    PutString(out, outcome.writeError);
    Put(out, static_cast<uint64_t>(outcome.plateItems.size()));
    for (const FileOutcome::PlateItem& item : outcome.plateItems) {
        PutString(out, item.objectId);
        PutString(out, item.objectName);
        Put(out, static_cast<uint8_t>(item.mirrored ? 1 : 0));
    }
    return out;
}

bool DecodeOutcome(std::string_view bytes, FileOutcome& outcome)
{
    Input in(bytes);
    char magic[4];
    uint32_t status = 0;
    uint64_t notes = 0;
    FileOutcome decoded;
    if (!in.Take(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0) {
        return false;
    }
    if (!in.Get(status) || (status != 1 && status != 2)) {
        return false;
    }
    decoded.status = static_cast<FileOutcome::Status>(status);
    if (!in.GetString(decoded.file) || !in.GetString(decoded.error) || !in.GetString(decoded.format) ||
        !in.GetString(decoded.objectId) || !in.GetString(decoded.objectName) || !in.Get(notes)) {
        return false;
    }
    for (uint64_t i = 0; i < notes; ++i) {
        std::string note;
        if (!in.GetString(note)) {
            return false;
        }
        decoded.notes.push_back(std::move(note));
    }
    uint64_t lists = 0;
    if (!in.Get(decoded.pointCount) || !in.Get(decoded.triangleCount) ||
        !in.Take(&decoded.results, sizeof decoded.results) || !in.Take(&decoded.used, sizeof decoded.used) ||
        !in.Take(&decoded.reportOnly, sizeof decoded.reportOnly) || !in.Get(decoded.diagonal) || !in.Get(decoded.boxVolume) || !in.Get(lists)) {
        return false;
    }
    for (uint64_t i = 0; i < lists; ++i) {
        ElementList list;
        uint64_t size = 0;
        if (!in.Get(list.category) || !in.Get(list.k) || !in.Get(list.arity) || !in.Get(list.total) ||
            !in.Get(size) || size > bytes.size() / sizeof(uint32_t)) {
            return false;
        }
        list.data.resize(static_cast<size_t>(size));
        if (size > 0 && !in.Take(list.data.data(), list.data.size() * sizeof(uint32_t))) {
            return false;
        }
        if (!in.Get(size) || size > bytes.size() / sizeof(uint32_t)) {
            return false;
        }
        list.faces.resize(static_cast<size_t>(size));
        if (size > 0 && !in.Take(list.faces.data(), list.faces.size() * sizeof(uint32_t))) {
            return false;
        }
        decoded.where.push_back(std::move(list));
    }
    uint64_t items = 0;
    if (!in.GetString(decoded.writeError) || !in.Get(items) || items > bytes.size()) {
        return false;
    }
    for (uint64_t i = 0; i < items; ++i) {
        FileOutcome::PlateItem item;
        uint8_t mirrored = 0;
        if (!in.GetString(item.objectId) || !in.GetString(item.objectName) || !in.Get(mirrored) || mirrored > 1) {
            return false;
        }
        item.mirrored = mirrored == 1;
        decoded.plateItems.push_back(std::move(item));
    }
    if (!in.AtEnd()) {
        return false;
    }
    outcome = std::move(decoded);
    return true;
}

std::string EncodeOutcomes(const std::vector<FileOutcome>& outcomes)
{
    std::string out;
    Put(out, static_cast<uint64_t>(outcomes.size()));
    for (const FileOutcome& outcome : outcomes) {
        PutString(out, EncodeOutcome(outcome));
    }
    return out;
}

bool DecodeOutcomes(std::string_view bytes, std::vector<FileOutcome>& outcomes)
{
    Input in(bytes);
    uint64_t count = 0;
    std::vector<FileOutcome> decoded;
    if (!in.Get(count) || count == 0) {
        return false;
    }
    for (uint64_t i = 0; i < count; ++i) {
        std::string one;
        FileOutcome outcome;
        if (!in.GetString(one) || !DecodeOutcome(one, outcome)) {
            return false;
        }
        decoded.push_back(std::move(outcome));
    }
    if (!in.AtEnd()) {
        return false;
    }
    outcomes = std::move(decoded);
    return true;
}

}  // namespace meshaudit::cli
