// SPDX-License-Identifier: LGPL-3.0-or-later
// The metadata that the filter and the property handler share is libmobi's own, string for
// string: its getters on the same books are the reference.
#include "book/metadata/ExthStrings.h"
#include "book/load/MobiHolders.h"
#include "book/load/OpenBook.h"
#include "book/metadata/BookMetadata.h"
#include "tests/support/BookBinding.h"
#include "tests/support/PalmBook.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct Getters {
    const char* Name;
    const PROPERTYKEY* Key; // the row of the property table read as libmobi's getter reads
    char* (*Libmobi)(const MOBIData*);
};

const Getters Pairs[] = {
    {"title", &PKEY_Title, mobi_meta_get_title},
    {"author", &PKEY_Author, mobi_meta_get_author},
    {"publisher", &PKEY_Media_Publisher, mobi_meta_get_publisher},
    {"subject", &PKEY_Keywords, mobi_meta_get_subject},
    {"description", &PKEY_Comment, mobi_meta_get_description},
    {"date", &PKEY_Media_DateReleased, mobi_meta_get_publishdate},
    {"language", &PKEY_Language, mobi_meta_get_language},
};

void ExpectLibmobisStrings(const std::vector<unsigned char>& bytes) {
    RecordingStream stream(bytes);
    OpenedBook opened;
    ASSERT_EQ(OpenBook(&stream, OpenFor::Rebuilding, opened), S_OK);
    const MobiBook& book = opened.Book;
    for (const Getters& pair : Pairs) {
        const BookPropertyRow* row = FindBookProperty(*pair.Key);
        ASSERT_NE(row, nullptr) << pair.Name;
        const MallocedString ours = BookValueString(book.Get(), *row);
        const MallocedString theirs(pair.Libmobi(book.Get()));
        ASSERT_EQ(static_cast<bool>(ours), static_cast<bool>(theirs)) << pair.Name;
        if (ours) {
            EXPECT_STREQ(ours.Get(), theirs.Get()) << pair.Name;
        }
    }
}

const std::string Nul(1, '\0');

struct ExthCase {
    const char* Name;
    std::vector<std::pair<uint32_t, std::string>> Replaced;
    std::vector<std::pair<uint32_t, std::string>> Added;
};

TEST(ExthStrings, JoinedAsLibmobiJoinsThem) {
    const ExthCase cases[] = {
        {"as written", {}, {}},
        {"several of each, empty and undecodable ones among them",
         {},
         {{100, ""},
          {100, "B"},
          {100, Nul},
          {101, Nul},
          {101, "P &amp; Q"},
          {105, ""},
          {105, "s"},
          {103, "<p>d</p>"},
          {106, "x"},
          {524, "fr"}}},
        {"first record undecodable", {{100, ""}}, {{100, "Second"}}},
        {"no language record decodes", {{524, ""}}, {}},
        {"updated title empty", {}, {{503, Nul}}},
        {"updated title of no bytes", {}, {{503, ""}}},
        {"updated titles", {}, {{503, "One"}, {503, "Two"}}},
    };
    for (const ExthCase& c : cases) {
        SCOPED_TRACE(c.Name);
        PalmBook book(TestBook("harbor-kf8.azw3"));
        for (const auto& [tag, value] : c.Replaced) {
            ASSERT_TRUE(book.ReplaceExthString(tag, value));
        }
        for (const auto& [tag, value] : c.Added) {
            ASSERT_TRUE(book.AddExthString(tag, value));
        }
        ExpectLibmobisStrings(book.Bytes);
    }
}

TEST(ExthStrings, TestBooksGiveLibmobisStrings) {
    for (const char* name :
         {"harbor-hybrid.mobi", "duet-kf8.azw", "palmdoc-drm-v1.prc", "markup/lexique-kf8.azw3",
          "markup/kaze-kf7.mobi", "harbor-noauthor-kf7.mobi"}) {
        SCOPED_TRACE(name);
        ExpectLibmobisStrings(TestBook(name));
    }
}

// Each record one entry, in the book's order; the empty one kept, the undecodable one not.
TEST(ExthStrings, ListsEveryRecordOfTheTag) {
    PalmBook book(TestBook("harbor-kf8.azw3"));
    for (const std::string& subject : {std::string("b"), Nul, std::string(), std::string("a")}) {
        ASSERT_TRUE(book.AddExthString(105, subject));
    }
    RecordingStream stream(book.Bytes);
    OpenedBook opened;
    ASSERT_EQ(OpenBook(&stream, OpenFor::Rebuilding, opened), S_OK);
    const MobiBook& loaded = opened.Book;
    ExthStrings strings;
    ASSERT_TRUE(strings.Read(loaded.Get(), EXTH_SUBJECT));
    ASSERT_EQ(strings.Count(), 3u);
    EXPECT_STREQ(strings.At(0), "b");
    EXPECT_STREQ(strings.At(1), "");
    EXPECT_STREQ(strings.At(2), "a");
    EXPECT_STREQ(strings.Joined().Get(), "b; ; a");
    ASSERT_TRUE(strings.Read(loaded.Get(), EXTH_PUBLISHER));
    EXPECT_EQ(strings.Count(), 0u);
    EXPECT_FALSE(strings.Joined());
}

} // namespace
