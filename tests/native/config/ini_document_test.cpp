// The INI document against what the profile functions do with the same file and the same writes
// (observed under Wine; the Wine test compares the two directly).
#include <gtest/gtest.h>

#include "config/ini_document.h"

namespace {

struct Op {
    const char* section;
    const char* key;    // nullptr: remove the section
    const char* value;  // nullptr: remove the key
};

struct FormatCase {
    const char* name;
    const char* before;
    std::vector<Op> ops;
    const char* after;
};

const FormatCase kFormatCases[] = {
    {"new file", "", {{"a", "k", "v"}}, "[a]\r\nk=v\r\n"},
    {"new section goes last, no blank line", "[a]\r\nk=v\r\n", {{"b", "k", "v"}}, "[a]\r\nk=v\r\n[b]\r\nk=v\r\n"},
    {"new key ends its section", "[a]\r\nk=v\r\n[b]\r\nk=v\r\n", {{"a", "k2", "v2"}},
     "[a]\r\nk=v\r\nk2=v2\r\n[b]\r\nk=v\r\n"},
    {"remove key, then sections", "[a]\r\nk=v\r\nk2=v2\r\n[b]\r\nk=v\r\n",
     {{"a", "k", nullptr}, {"a", nullptr, nullptr}, {"b", nullptr, nullptr}}, ""},
    {"no final line end", "[a]\r\nk=v", {{"a", "k2", "v2"}}, "[a]\r\nk=v\r\nk2=v2\r\n"},
    {"blank lines and blanks go, comments stay", ";c\r\n\r\n[a]\r\n  k = v \r\n\r\n\r\n[b]\r\nx=1\r\n",
     {{"a", "k2", "v2"}}, ";c\r\n[a]\r\nk=v\r\nk2=v2\r\n[b]\r\nx=1\r\n"},
    {"unix line ends", "[a]\nk=v\n[b]\nx=1\n", {{"b", "y", "2"}}, "[a]\r\nk=v\r\n[b]\r\nx=1\r\ny=2\r\n"},
    {"leading blanks of a value go, trailing stay", "[a]\r\nk=v\r\n", {{"a", "z", " 1 "}}, "[a]\r\nk=v\r\nz=1 \r\n"},
    {"keys before any section", "x=1\r\n[a]\r\nk=v\r\n", {{"a", "k", "w"}}, "x=1\r\n[a]\r\nk=w\r\n"},
    {"first of two spellings wins", "[a]\r\nk=v\r\n[A]\r\nk=w\r\n", {{"A", "K", "n"}}, "[a]\r\nk=n\r\n[A]\r\nk=w\r\n"},
    {"empty value", "[a]\r\nk=v\r\n", {{"a", "k", ""}}, "[a]\r\nk=\r\n"},
    {"line without =", "[a]\r\nk\r\n", {{"a", "k", "1"}}, "[a]\r\nk=1\r\n"},
    {"section twice: the first", "[a]\r\n[a]\r\nk=1\r\n", {{"a", "j", "2"}, {"a", nullptr, nullptr}}, "[a]\r\nk=1\r\n"},
    {"broken headers", "[a\r\nk=1\r\n[b]x\r\ny=2\r\n", {{"b", "z", "3"}}, "[a\r\nk=1\r\n[b]\r\ny=2\r\nz=3\r\n"},
    {"^Z is a blank", "[a]\r\nk=v\r\n\x1a", {{"a", "j", "2"}}, "[a]\r\nk=v\r\nj=2\r\n"},
    {"names are found without blanks and case", "[Game]\r\nKey=1\r\n", {{" game ", " KEY ", "2"}},
     "[Game]\r\nKey=2\r\n"},
    {"GBK: a trail byte ] ends no header", "[乚]\r\nk=1\r\n", {{"乚", "k", "2"}}, "[乚]\r\nk=2\r\n"},
    {"full-width letters fold", "[ＧＡＭＥ]\r\nk=1\r\n", {{"ｇａｍｅ", "k", "2"}}, "[ＧＡＭＥ]\r\nk=2\r\n"},
};

TEST(IniDocument, WritesExactlyWhatTheProfileFunctionsWrite) {
    for (const FormatCase& c : kFormatCases) {
        ini::Document doc = ini::Document::parse(c.before);
        for (const Op& op : c.ops) {
            if (!op.key)
                doc.remove_section(op.section);
            else if (!op.value)
                doc.remove_key(op.section, op.key);
            else
                doc.set(op.section, op.key, op.value);
        }
        EXPECT_EQ(doc.text(), c.after) << c.name;
    }
}

TEST(IniDocument, ReportsWhetherAWriteChangedAnything) {
    ini::Document doc = ini::Document::parse("[a]\r\nk=v\r\n");
    EXPECT_FALSE(doc.set("a", "k", "v"));
    EXPECT_FALSE(doc.set("A", "K", "  v"));
    EXPECT_TRUE(doc.set("a", "k", "w"));
    EXPECT_FALSE(doc.remove_key("a", "missing"));
    EXPECT_FALSE(doc.remove_section("missing"));
    EXPECT_TRUE(doc.remove_key("A", "K"));
    EXPECT_TRUE(doc.remove_section("A"));
}

TEST(IniDocument, ReadsValuesAsTheProfileFunctionsGiveThem) {
    const std::string text = "[a]\r\nq=\"quoted\"\r\nh=' x '\r\nlone=\"\r\nbare\r\nempty=\r\n"
                             "[乗]\r\nk=乗|表\r\n[b]\r\nlong=" + std::string(12000, 'x') + "\r\n";
    const ini::Document doc = ini::Document::parse(text);
    const struct {
        const char *section, *key;
        std::optional<std::string> value;
    } cases[] = {
        {"a", "q", "quoted"},  {"a", "h", " x "},      {"a", "lone", "\""},   {"a", "bare", std::nullopt},
        {"a", "empty", ""},    {"A", "Q ", "quoted"},  {"乗", "k", "乗|表"}, {"c", "k", std::nullopt},
        {"a", "zz", std::nullopt}, {"b", "long", std::string(10239, 'x')},
    };
    for (const auto& c : cases) EXPECT_EQ(doc.value(c.section, c.key), c.value) << c.section << "/" << c.key;
    EXPECT_EQ(ini::Document::parse("x=1\r\n[甲]\r\n[]\r\n[Zeta]\r\n[甲]\r\n").section_names(),
              (std::vector<std::string>{"甲", "Zeta", "甲"}));
}

}  // namespace
