// The cookie keep-list: which hosts a site name keeps, and the list's text form.
#include <gtest/gtest.h>

#include "engine/cleaners/cookie_keep_list.h"

namespace {

using engine::CookieKeepList;

TEST(CookieKeepList, AHostKeepsOnlyItselfAndADomainKeepsItselfAndEveryHostBelow) {
    const CookieKeepList list({"Mail.Example.com", ".bank.org"});
    EXPECT_TRUE(list.keeps("mail.example.com"));
    EXPECT_TRUE(list.keeps("MAIL.EXAMPLE.COM"));
    EXPECT_TRUE(list.keeps(".mail.example.com"));  // a domain cookie of that very host
    EXPECT_FALSE(list.keeps("example.com"));
    EXPECT_FALSE(list.keeps("www.mail.example.com"));
    EXPECT_TRUE(list.keeps("bank.org"));
    EXPECT_TRUE(list.keeps(".bank.org"));
    EXPECT_TRUE(list.keeps("login.eu.bank.org"));
    EXPECT_TRUE(list.keeps("bank.org."));
    // Only whole labels: a name that merely ends in the same letters is another site.
    EXPECT_FALSE(list.keeps("evilbank.org"));
    EXPECT_FALSE(list.keeps("bank.org.evil.net"));
    EXPECT_FALSE(list.keeps(""));
    EXPECT_FALSE(list.keeps("."));
    EXPECT_FALSE(CookieKeepList().keeps("bank.org"));
}

TEST(CookieKeepList, TextIsReadInAnySeparatorAndWrittenBackOnePerLine) {
    const auto list = CookieKeepList::parse(" a.com,\r\n.B.net;;\t*.c.org  a.com\n.\n..\n");
    EXPECT_EQ(list.sites(), (std::vector<std::string>{"a.com", ".b.net", ".c.org"}));
    EXPECT_TRUE(list.keeps("x.c.org"));
    EXPECT_EQ(list.text(), "a.com\n.b.net\n.c.org");
    EXPECT_EQ(CookieKeepList::parse(list.text()).sites(), list.sites());
    EXPECT_TRUE(CookieKeepList::parse(" \n, ").empty());
}

}  // namespace
