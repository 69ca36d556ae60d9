// Splitting server and file URLs. (The WinInet layer itself is exercised
// against real servers through the downloaders, in tests/update.)
#include "platform/InternetUrl.h"

#include <gtest/gtest.h>

using platform::InternetUrl;
using platform::ParseInternetUrl;

TEST(InternetUrl, SplitsEveryPart) {
    struct Case {
        const char* text;
        bool ok;
        unsigned service;
        const char* host;
        unsigned port;
        const char* object;
        const char* user;
        const char* password;
    } cases[] = {
        {"ftp://h/", true, 1, "h", 21, "/", "", ""},
        {"ftp://h", true, 1, "h", 21, "/", "", ""},
        {"FTP://u:p@h:2121/a/b.zip", true, 1, "h", 2121, "/a/b.zip", "u", "p"},
        {"ftp://u:p@ss@h/x", true, 1, "h", 21, "/x", "u", "p@ss"},
        {"ftp://anon@h/x", true, 1, "h", 21, "/x", "anon", ""},
        {"http://127.0.0.1:8080/mirror/", true, 3, "127.0.0.1", 8080, "/mirror/", "", ""},
        {"http://h", true, 3, "h", 80, "/", "", ""},
        {"https://h/x", true, 0x100B, "h", 443, "/x", "", ""},
        {"gopher://h/x", true, 0x1000, "h", 0, "/x", "", ""},
        {"http://[::1]:81/x", true, 3, "[::1]", 81, "/x", "", ""},
        {"not a url", false, 0, "", 0, "", "", ""},
        {"C:\\x\\y", false, 0, "", 0, "", "", ""},
        {"://h/x", false, 0, "", 0, "", "", ""},
        {"http:///x", false, 0, "", 0, "", "", ""},
        {"http://h:99999/x", false, 0, "", 0, "", "", ""},
        {"http://h:/x", false, 0, "", 0, "", "", ""},
        {"http://h:8a/x", false, 0, "", 0, "", "", ""},
        {"ht tp://h/x", false, 0, "", 0, "", "", ""},
        {"http://h/a\r\nX: 1", false, 0, "", 0, "", "", ""},
        {"ftp://h/d\x7F", false, 0, "", 0, "", "", ""},
        {"http://h\t/x", false, 0, "", 0, "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        InternetUrl url;
        ASSERT_EQ(c.ok, ParseInternetUrl(c.text, &url));
        if (!c.ok) continue;
        EXPECT_EQ(c.service, url.service);
        EXPECT_EQ(c.host, url.host);
        EXPECT_EQ(c.port, url.port);
        EXPECT_EQ(c.object, url.object);
        EXPECT_EQ(c.user, url.user);
        EXPECT_EQ(c.password, url.password);
    }
    EXPECT_FALSE(ParseInternetUrl(nullptr, nullptr));
    EXPECT_EQ(0x1000u, platform::InternetServiceOf("not a url"));
}
