// The part of pugixml's interface that the 3MF reader uses (ThreeMfReader.cpp),
// for the WebAssembly build, where pugixml is not available: elements and
// their attributes parsed from a buffer as pugixml's default options parse
// them (entities and character references decoded, attribute whitespace
// made spaces, line ends made "\n"; comments, processing instructions,
// CDATA, text and the document type skipped), and errors described in
// pugixml's words. include/pugixml.hpp puts it under pugixml's names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace meshaudit::cli::xml {

class xml_document;

// An attribute; a default one is empty (false).
class xml_attribute {
public:
    xml_attribute() = default;
    xml_attribute(const char* value, const char* name = "") : value_(value), name_(name) {}
    explicit operator bool() const { return value_ != nullptr; }
    bool operator!() const { return value_ == nullptr; }
    // The decoded value; "" for an empty attribute.
    const char* value() const { return value_ != nullptr ? value_ : ""; }
    // The value, or `fallback` for an empty attribute.
    const char* as_string(const char* fallback = "") const { return value_ != nullptr ? value_ : fallback; }
    // Its name as the document writes it, prefix included; "" when empty.
    const char* name() const { return name_; }

private:
    const char* value_ = nullptr;
    const char* name_ = "";
};

// An element of a document (which owns it and must outlive it); a default
// one is empty (false), with name "" and no children or attributes.
class xml_node {
public:
    xml_node() = default;
    xml_node(const xml_document* document, uint32_t index) : document_(document), index_(index) {}
    explicit operator bool() const { return document_ != nullptr; }
    bool operator!() const { return document_ == nullptr; }

    const char* name() const;
    // The first attribute named `name`, or an empty one.
    xml_attribute attribute(const char* name) const;
    // Every attribute, in document order (pugixml gives a range; a copy
    // serves the reader's loops alike).
    std::vector<xml_attribute> attributes() const;
    // The offset of the element's name in the parsed buffer.
    ptrdiff_t offset_debug() const;

    // The child elements in document order, as a range for `for`.
    class iterator {
    public:
        iterator(const xml_document* document, uint32_t index) : document_(document), index_(index) {}
        xml_node operator*() const { return xml_node(document_, index_); }
        iterator& operator++();
        bool operator!=(const iterator& other) const { return index_ != other.index_; }

    private:
        const xml_document* document_;
        uint32_t index_;
    };
    struct range {
        iterator first, last;
        iterator begin() const { return first; }
        iterator end() const { return last; }
    };
    range children() const;

private:
    const xml_document* document_ = nullptr;
    uint32_t index_ = 0;
};

enum xml_parse_status {
    status_ok,
    status_out_of_memory,
    status_unrecognized_tag,
    status_bad_pi,
    status_bad_comment,
    status_bad_cdata,
    status_bad_doctype,
    status_bad_start_element,
    status_bad_attribute,
    status_bad_end_element,
    status_end_element_mismatch,
    status_no_document_element,
};

struct xml_parse_result {
    xml_parse_status status = status_ok;
    // Where in the buffer the parse stopped (0 on success).
    ptrdiff_t offset = 0;
    explicit operator bool() const { return status == status_ok; }
    bool operator!() const { return status != status_ok; }
    // pugixml's words for the status ("Start-end tags mismatch").
    const char* description() const;
};

class xml_document {
public:
    // Parses a copy of `size` bytes at `data` (UTF-8, an optional byte-order
    // mark), replacing what the document held. Memory is linear in the size.
    xml_parse_result load_buffer(const void* data, size_t size);
    // The first top-level element, or an empty node.
    xml_node document_element() const;

private:
    friend class xml_node;
    friend class Parser;
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    struct Element {
        uint32_t name;         // in names_
        uint32_t offset;       // of the name in buffer_
        uint32_t attributes;   // first in attributes_
        uint32_t attributeCount;
        uint32_t firstChild = kNone;
        uint32_t next = kNone;
    };
    struct Attribute {
        uint32_t name;   // in names_
        uint32_t value;  // offset in buffer_ of the decoded, terminated value
    };
    uint32_t Intern(std::string_view name);

    std::string buffer_;
    std::vector<Element> elements_;
    std::vector<Attribute> attributes_;
    std::deque<std::string> names_;
    std::unordered_map<std::string_view, uint32_t> nameIds_;
    uint32_t first_ = kNone;
};

}  // namespace meshaudit::cli::xml
