#include <gtest/gtest.h>

#include "platform/FileSystem.h"

TEST(Wildcard, MatchesLikeWindowsFileSearch) {
    const struct { const char *pattern, *name; bool match; } cases[] = {
        {"*.DOC*", "Bericht.docx", true}, {"*.DOC*", "Bericht.dot", false}, {"*.DOC*", "doc", false},
        {"*.*", "README", true}, {"*.ACCDB", "daten.accdb", true}, {"*.ACCDB", "daten.accdb.bak", false},
        {"?.txt", "ä.txt", true}, {"?.txt", "ab.txt", false}, {"ÄRGER*", "ärger.doc", true},
        {"Dokumentation für Word.*", "Dokumentation für Word", true}, {"a*b*c", "aXbYc", true}, {"a*b*c", "aXbY", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ardeko::platform::WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " vs " << c.name;
}
