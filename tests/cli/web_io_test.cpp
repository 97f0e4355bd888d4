#include "Decimal.h"
#include "Inflate.h"
#include "LoadError.h"
#include "RoundedMath.h"
#include "XmlTree.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace meshaudit::cli {
namespace {

// Raw DEFLATE of `data` by zlib at `level` with `strategy`.
std::string Deflate(const std::string& data, int level, int strategy)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

TEST(WebIo, InflateReadsWhatZlibWritesAndRefusesDamage)
{
    std::mt19937 random(5);
    for (int round = 0; round < 60; ++round) {
        // Text-like data of few symbols, with repeats near and far.
        std::string data(random() % 200000, '\0');
        for (size_t i = 0; i < data.size(); ++i) {
            data[i] = i > 300 && random() % 3 == 0 ? data[i - 1 - random() % 300] : static_cast<char>('a' + random() % (1 + round % 40));
        }
        const int level = round % 10, strategy = round % 4 == 1 ? Z_FIXED : round % 4 == 2 ? Z_HUFFMAN_ONLY : Z_DEFAULT_STRATEGY;
        const std::string packed = Deflate(data, level, strategy);
        std::string out;
        ASSERT_EQ(Inflate(packed, data.size(), out), "") << round;
        EXPECT_EQ(out, data);
        EXPECT_NE(Inflate(packed, data.size() + 1, out), "");  // claims more
        if (!data.empty()) {
            EXPECT_NE(Inflate(packed, data.size() - 1, out), "");  // claims less
        }
        std::string damaged = packed;
        damaged[random() % damaged.size()] ^= static_cast<char>(1 + random() % 255);
        const std::string error = Inflate(damaged, data.size(), out);  // never past the claim
        EXPECT_TRUE(error != "" || out == data || out.size() == data.size());
        EXPECT_NE(Inflate(packed.substr(0, packed.size() / 2), data.size(), out), "");
    }
}

// The elements, attributes and values in document order, or the error.
template <typename Node>
std::string Walk(const Node& node, const char* const* attributes)
{
    std::string out = std::string("<") + node.name();
    for (const char* const* a = attributes; *a != nullptr; ++a) {
        if (node.attribute(*a)) {
            out += std::string(" ") + *a + "=" + node.attribute(*a).value();
        }
    }
    for (const Node child : node.children()) {
        if (*child.name() != '\0') {
            out += Walk(child, attributes);
        }
    }
    return out + ">";
}

TEST(WebIo, XmlTreeParsesAsPugixml)
{
    static const char* const kAttributes[] = {"x", "y", "v1", "name", "unit", nullptr};
    const char* const cases[] = {
        "<?xml version=\"1.0\"?>\n<m unit='mm'><a x=\"1\" y = '2'/><!-- c --><b name=\"&lt;&amp;&#65;&#x42;&bogus;\t\r\nz\">text<![CDATA[<q>]]></b></m>",
        "\xEF\xBB\xBF<!DOCTYPE m [<!ENTITY e \"v\">]><m:model xmlns:m=\"u\"><m:v v1=\"7\"></m:v></m:model>",
        "<a><b></a>", "<a x=1/>", "<a x=\"1/>", "<a></b>", "</a>", "<a>", "", "text only", "<!-- open",
        "<![CDATA[ x", "<?pi", "<a/><b x='1'/>", "<a\x01/>", "<1/>", "<a></a  >", "<a></a x>",
    };
    for (const char* text : cases) {
        pugi::xml_document real;
        xml::xml_document ours;
        const auto expected = real.load_buffer(text, std::strlen(text));
        const auto got = ours.load_buffer(text, std::strlen(text));
        ASSERT_EQ(static_cast<bool>(got), static_cast<bool>(expected)) << text << ": " << got.description();
        if (expected) {
            EXPECT_EQ(Walk(ours.document_element(), kAttributes), Walk(real.document_element(), kAttributes)) << text;
        } else {
            EXPECT_STREQ(got.description(), expected.description()) << text;
        }
    }
}

TEST(WebIo, PortableDecimalsMatchTheStandardLibrary)
{
    std::mt19937_64 random(11);
    for (int i = 0; i < 200000; ++i) {
        uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (i % 2 == 0) {
            value = std::ldexp(static_cast<double>(random() % 100000), static_cast<int>(random() % 40) - 20);
        } else if (i % 4 == 1) {
            // Short decimals, as meshes hold, on both sides of the short writer's bounds.
            const uint64_t digits = random() % (uint64_t{1} << (random() % 58));
            const std::string text = std::to_string(digits) + "e" + std::to_string(static_cast<int>(random() % 36) - 26);
            value = std::strtod(text.c_str(), nullptr) * (random() % 2 == 0 ? 1.0 : -1.0);
        }
        char ours[40], theirs[40];
        const uint64_t index = random() >> (random() % 64);
        ASSERT_EQ(std::string(ours, WriteIndex(ours, index)),
                  std::string(theirs, std::to_chars(theirs, theirs + sizeof theirs, index).ptr));
        const std::string written(ours, WriteShortest(ours, ours + sizeof ours, value));
        const std::string expected(theirs, std::to_chars(theirs, theirs + sizeof theirs, value).ptr);
        if (!std::isnan(value)) {
            ASSERT_EQ(written, expected);
        }
        double read = 0.0, reference = 0.0;
        const auto a = ReadDecimal(expected.data(), expected.data() + expected.size(), read);
        const auto b = std::from_chars(expected.data(), expected.data() + expected.size(), reference);
        ASSERT_EQ(a.ptr, b.ptr);
        ASSERT_EQ(a.ec, b.ec) << expected;
        // Out of range, the value is not promised (ParseDouble reads it again).
        ASSERT_TRUE(a.ec != std::errc() || read == reference || (std::isnan(read) && std::isnan(reference))) << expected;
    }
    for (const char* text : {"+1", "1e", "1e+", ".5", "5.", "-.e1", "infinityx", "nan(ab_1)", "-INF", "1e999", "1e-999", "x"}) {
        double a = 7.0, b = 7.0;
        const auto ours = ReadDecimal(text, text + std::strlen(text), a);
        const auto theirs = std::from_chars(text, text + std::strlen(text), b);
        EXPECT_EQ(ours.ptr, theirs.ptr) << text;
        EXPECT_EQ(ours.ec, theirs.ec) << text;
        EXPECT_TRUE(ours.ec != std::errc() || a == b || (std::isnan(a) && std::isnan(b))) << text;
    }
}

TEST(WebIo, RoundedAtan2AndTanAreWithinHalfAnUlp)
{
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> spread(-10.0, 10.0);
    for (int i = 0; i < 200000; ++i) {
        const double y = std::ldexp(spread(random), static_cast<int>(random() % 40) - 20), x = spread(random);
        const long double exact = std::atan2(static_cast<long double>(y), static_cast<long double>(x));
        const double angle = RoundedAtan2(y, x);
        ASSERT_LE(std::fabs(static_cast<long double>(angle) - exact), 0.5002L * (std::nextafter(std::fabs(angle), HUGE_VAL) - std::fabs(angle))) << y << " " << x;
        const double t = spread(random);
        const long double tangent = std::tan(static_cast<long double>(t));
        const double ours = RoundedTan(t);
        ASSERT_LE(std::fabs(static_cast<long double>(ours) - tangent), 0.5002L * (std::nextafter(std::fabs(ours), HUGE_VAL) - std::fabs(ours))) << t;
    }
    const double special[] = {0.0, -0.0, HUGE_VAL, -HUGE_VAL, 2.0, -2.0};
    for (double y : special) {
        for (double x : special) {
            const double ours = RoundedAtan2(y, x), theirs = std::atan2(y, x);
            EXPECT_EQ(ours, theirs) << y << " " << x;
            EXPECT_EQ(std::signbit(ours), std::signbit(theirs)) << y << " " << x;
        }
    }
    EXPECT_TRUE(std::isnan(RoundedAtan2(NAN, 1.0)) && std::isnan(RoundedTan(HUGE_VAL)));
}

}  // namespace
}  // namespace meshaudit::cli
