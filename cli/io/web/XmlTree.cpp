#include "XmlTree.h"

#include <cstring>

namespace meshaudit::cli::xml {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool StartsName(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}
bool InName(char c) { return StartsName(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// Appends the UTF-8 of `code` at `out`; returns the bytes written (0 for a
// value beyond Unicode).
size_t Utf8(uint32_t code, char* out)
{
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | code >> 6);
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | code >> 12);
        out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return 3;
    }
    if (code < 0x110000) {
        out[0] = static_cast<char>(0xF0 | code >> 18);
        out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[3] = static_cast<char>(0x80 | (code & 0x3F));
        return 4;
    }
    return 0;
}

}  // namespace

// One pass over the document's buffer: elements and attributes appended,
// attribute values decoded in place and terminated.
class Parser {
public:
    explicit Parser(xml_document& document)
        : d_(document), s_(document.buffer_.data()), n_(std::strlen(document.buffer_.c_str()))
    {
    }

    xml_parse_result Run()
    {
        size_t i = n_ >= 3 && std::memcmp(s_, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
        while (i < n_) {
            if (s_[i] != '<') {
                const char* next = static_cast<const char*>(std::memchr(s_ + i, '<', n_ - i));
                i = next == nullptr ? n_ : static_cast<size_t>(next - s_);
                continue;
            }
            const xml_parse_status status = Tag(i);
            if (status != status_ok) {
                return {status, static_cast<ptrdiff_t>(i)};
            }
        }
        if (!open_.empty()) {
            return {status_end_element_mismatch, static_cast<ptrdiff_t>(n_)};
        }
        if (d_.first_ == xml_document::kNone) {
            return {status_no_document_element, static_cast<ptrdiff_t>(n_)};
        }
        return {};
    }

private:
    char At(size_t i) const { return i < n_ ? s_[i] : '\0'; }
    bool Has(size_t i, const char* text) const
    {
        const size_t length = std::strlen(text);
        return i <= n_ && n_ - i >= length && std::memcmp(s_ + i, text, length) == 0;
    }
    // Moves `i` past the next `end`; false when there is none.
    bool Past(size_t& i, const char* end) const
    {
        const std::string_view rest(s_ + i, n_ - i);
        const size_t found = rest.find(end);
        if (found == std::string_view::npos) {
            return false;
        }
        i += found + std::strlen(end);
        return true;
    }

    // The markup at `i` ('<'); on success `i` is past it, on failure where
    // the error was seen.
    xml_parse_status Tag(size_t& i)
    {
        const char c = At(i + 1);
        if (c == '?') {
            i += 2;
            return StartsName(At(i)) && Past(i, "?>") ? status_ok : status_bad_pi;
        }
        if (c == '!') {
            if (Has(i, "<!--")) {
                i += 4;
                return Past(i, "-->") ? status_ok : status_bad_comment;
            }
            if (Has(i, "<![CDATA[")) {
                i += 9;
                return Past(i, "]]>") ? status_ok : status_bad_cdata;
            }
            if (Has(i, "<!DOCTYPE")) {
                return Doctype(i);
            }
            return status_unrecognized_tag;
        }
        if (c == '/') {
            return EndTag(i);
        }
        if (StartsName(c)) {
            return StartTag(i);
        }
        return status_unrecognized_tag;
    }

    // A document type: nested declarations and quoted text skipped, up to
    // the '>' that closes it.
    xml_parse_status Doctype(size_t& i)
    {
        int depth = 0;
        for (i += 2; i < n_; ++i) {
            const char c = s_[i];
            if (c == '"' || c == '\'') {
                const char* close = static_cast<const char*>(std::memchr(s_ + i + 1, c, n_ - i - 1));
                if (close == nullptr) {
                    return status_bad_doctype;
                }
                i = static_cast<size_t>(close - s_);
            } else if (c == '<') {
                ++depth;
            } else if (c == '>' && depth-- == 0) {
                ++i;
                return status_ok;
            }
        }
        return status_bad_doctype;
    }

    xml_parse_status EndTag(size_t& i)
    {
        size_t end = i + 2;
        while (InName(At(end))) {
            ++end;
        }
        const std::string_view name(s_ + i + 2, end - i - 2);
        if (open_.empty() || name != d_.names_[d_.elements_[open_.back()].name]) {
            i += 2;
            return status_end_element_mismatch;
        }
        while (IsSpace(At(end))) {
            ++end;
        }
        if (At(end) != '>') {
            i = end;
            return status_bad_end_element;
        }
        open_.pop_back();
        tails_.pop_back();
        i = end + 1;
        return status_ok;
    }

    xml_parse_status StartTag(size_t& i)
    {
        size_t end = i + 1;
        while (InName(At(end))) {
            ++end;
        }
        const uint32_t index = static_cast<uint32_t>(d_.elements_.size());
        d_.elements_.push_back({d_.Intern(std::string_view(s_ + i + 1, end - i - 1)), static_cast<uint32_t>(i + 1),
                                static_cast<uint32_t>(d_.attributes_.size()), 0});
        uint32_t& tail = tails_.empty() ? documentTail_ : tails_.back();
        if (tail != xml_document::kNone) {
            d_.elements_[tail].next = index;
        } else if (open_.empty()) {
            d_.first_ = index;
        } else {
            d_.elements_[open_.back()].firstChild = index;
        }
        tail = index;
        i = end;
        for (;;) {
            while (IsSpace(At(i))) {
                ++i;
            }
            const char c = At(i);
            if (c == '/') {
                if (At(i + 1) != '>') {
                    return status_bad_start_element;
                }
                i += 2;
                return status_ok;
            }
            if (c == '>') {
                open_.push_back(index);
                tails_.push_back(xml_document::kNone);
                ++i;
                return status_ok;
            }
            if (!StartsName(c)) {
                return status_bad_start_element;
            }
            if (const xml_parse_status status = AttributeAt(i, index); status != status_ok) {
                return status;
            }
        }
    }

    xml_parse_status AttributeAt(size_t& i, uint32_t element)
    {
        size_t end = i;
        while (InName(At(end))) {
            ++end;
        }
        const uint32_t name = d_.Intern(std::string_view(s_ + i, end - i));
        i = end;
        while (IsSpace(At(i))) {
            ++i;
        }
        if (At(i) != '=') {
            return status_bad_attribute;
        }
        ++i;
        while (IsSpace(At(i))) {
            ++i;
        }
        const char quote = At(i);
        if (quote != '"' && quote != '\'') {
            return status_bad_attribute;
        }
        const char* close = static_cast<const char*>(std::memchr(s_ + i + 1, quote, n_ - i - 1));
        if (close == nullptr) {
            return status_bad_attribute;
        }
        const size_t start = i + 1;
        const size_t stop = static_cast<size_t>(close - s_);
        d_.attributes_.push_back({name, static_cast<uint32_t>(start)});
        ++d_.elements_[element].attributeCount;
        Decode(start, stop);
        i = stop + 1;
        return status_ok;
    }

    // Decodes s_[start, stop) in place and terminates it: references
    // replaced (unknown ones kept as written), "\r\n", "\r", "\n" and "\t"
    // made one space each.
    void Decode(size_t start, size_t stop)
    {
        size_t w = start;
        for (size_t r = start; r < stop;) {
            const char c = s_[r];
            if (c == '\r' || c == '\n' || c == '\t') {
                s_[w++] = ' ';
                r += c == '\r' && r + 1 < stop && s_[r + 1] == '\n' ? 2 : 1;
            } else if (c == '&') {
                r += Reference(r, stop, w);
            } else {
                s_[w++] = s_[r++];
            }
        }
        s_[w] = '\0';
    }

    // The reference at `r` written at `w`; returns the bytes it took.
    size_t Reference(size_t r, size_t stop, size_t& w)
    {
        const std::string_view rest(s_ + r, stop - r);
        static constexpr std::pair<std::string_view, char> kNamed[] = {
            {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
        for (const auto& [text, value] : kNamed) {
            if (rest.starts_with(text)) {
                s_[w++] = value;
                return text.size();
            }
        }
        if (rest.starts_with("&#")) {
            const bool hex = rest.size() > 2 && rest[2] == 'x';
            size_t j = hex ? 3 : 2;
            uint32_t code = 0;
            const size_t digits = j;
            for (; j < rest.size() && j < digits + 8; ++j) {
                const char d = rest[j];
                const int value = d >= '0' && d <= '9'                ? d - '0'
                                  : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                                  : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                                : -1;
                if (value < 0) {
                    break;
                }
                code = code * (hex ? 16 : 10) + static_cast<uint32_t>(value);
            }
            char bytes[4];
            const size_t length = j > digits && j < rest.size() && rest[j] == ';' ? Utf8(code, bytes) : 0;
            // The encoding is never longer than the reference it replaces.
            if (length != 0 && length <= j + 1) {
                std::memcpy(s_ + w, bytes, length);
                w += length;
                return j + 1;
            }
        }
        s_[w++] = '&';
        return 1;
    }

    xml_document& d_;
    char* s_;
    size_t n_;
    std::vector<uint32_t> open_;   // the elements not yet closed
    std::vector<uint32_t> tails_;  // the last child of each of them so far
    uint32_t documentTail_ = xml_document::kNone;
};

uint32_t xml_document::Intern(std::string_view name)
{
    const auto found = nameIds_.find(name);
    if (found != nameIds_.end()) {
        return found->second;
    }
    const uint32_t id = static_cast<uint32_t>(names_.size());
    nameIds_.emplace(names_.emplace_back(name), id);
    return id;
}

xml_parse_result xml_document::load_buffer(const void* data, size_t size)
{
    buffer_.assign(static_cast<const char*>(data), size);
    elements_.clear();
    attributes_.clear();
    names_.clear();
    nameIds_.clear();
    first_ = kNone;
    if (size >= kNone) {
        return {status_out_of_memory, 0};
    }
    const xml_parse_result result = Parser(*this).Run();
    if (!result) {
        first_ = kNone;
    }
    return result;
}

xml_node xml_document::document_element() const
{
    return first_ == kNone ? xml_node() : xml_node(this, first_);
}

const char* xml_node::name() const
{
    return document_ == nullptr ? "" : document_->names_[document_->elements_[index_].name].c_str();
}

xml_attribute xml_node::attribute(const char* name) const
{
    if (document_ == nullptr) {
        return {};
    }
    const xml_document::Element& e = document_->elements_[index_];
    for (uint32_t a = e.attributes; a < e.attributes + e.attributeCount; ++a) {
        const xml_document::Attribute& attribute = document_->attributes_[a];
        if (document_->names_[attribute.name] == name) {
            return xml_attribute(document_->buffer_.c_str() + attribute.value, document_->names_[attribute.name].c_str());
        }
    }
    return {};
}

std::vector<xml_attribute> xml_node::attributes() const
{
    std::vector<xml_attribute> all;
    if (document_ == nullptr) {
        return all;
    }
    const xml_document::Element& e = document_->elements_[index_];
    for (uint32_t a = e.attributes; a < e.attributes + e.attributeCount; ++a) {
        const xml_document::Attribute& attribute = document_->attributes_[a];
        all.emplace_back(document_->buffer_.c_str() + attribute.value, document_->names_[attribute.name].c_str());
    }
    return all;
}

ptrdiff_t xml_node::offset_debug() const
{
    return document_ == nullptr ? -1 : static_cast<ptrdiff_t>(document_->elements_[index_].offset);
}

xml_node::iterator& xml_node::iterator::operator++()
{
    index_ = document_->elements_[index_].next;
    return *this;
}

xml_node::range xml_node::children() const
{
    const uint32_t first = document_ == nullptr ? xml_document::kNone : document_->elements_[index_].firstChild;
    return {iterator(document_, first), iterator(document_, xml_document::kNone)};
}

const char* xml_parse_result::description() const
{
    switch (status) {
    case status_ok: return "No error";
    case status_out_of_memory: return "Could not allocate memory";
    case status_unrecognized_tag: return "Could not determine tag type";
    case status_bad_pi: return "Error parsing document declaration/processing instruction";
    case status_bad_comment: return "Error parsing comment";
    case status_bad_cdata: return "Error parsing CDATA section";
    case status_bad_doctype: return "Error parsing document type declaration";
    case status_bad_start_element: return "Error parsing start element tag";
    case status_bad_attribute: return "Error parsing element attribute";
    case status_bad_end_element: return "Error parsing end element tag";
    case status_end_element_mismatch: return "Start-end tags mismatch";
    case status_no_document_element: return "No document element found";
    }
    return "Internal error occurred";
}

}  // namespace meshaudit::cli::xml
