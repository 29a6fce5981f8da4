#include <gtest/gtest.h>

#include "platform/FileSystem.h"

using ardeko::platform::WildcardMatch;

TEST(Wildcard, MatchesLikeWindowsFileSearch) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"*.DOC*", "Bericht.doc", true},
        {"*.DOC*", "Bericht.docx", true},
        {"*.DOC*", "Bericht.dot", false},
        {"*.DOC*", "doc", false},
        {"*.*", "README", true},
        {"*.*", "a.b.c", true},
        {"*.ACCDB", "daten.accdb", true},
        {"*.ACCDB", "daten.accdb.bak", false},
        {"?.txt", "ä.txt", true},
        {"?.txt", "ab.txt", false},
        {"ÄRGER*", "ärger.doc", true},
        {"Manual*.*", "Manual", true},
        {"Dokumentation für Word.*", "Dokumentation für Word.pdf", true},
        {"Dokumentation für Word.*", "Dokumentation für Word", true},
        {"Dokumentation für Word.*", "Dokumentation für Excel.pdf", false},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " vs " << c.name;
}
