#include "DomainLists.h"

#include <gtest/gtest.h>

namespace verinox::checkd {
namespace {

const DomainLists& lists() {
    static const DomainLists instance(VERINOX_CHECKD_DATA_DIR);
    return instance;
}

TEST(DomainLists, DisposableDomainsAndTheirWildcardSubdomains) {
    EXPECT_TRUE(lists().isDisposable("10minutemail.com"));
    EXPECT_TRUE(lists().isDisposable("33mail.com"));
    EXPECT_TRUE(lists().isDisposable("someone.33mail.com"));     // listed with its subdomains
    EXPECT_FALSE(lists().isDisposable("sub.10minutemail.com"));  // listed alone
    EXPECT_FALSE(lists().isDisposable("gmail.com"));
}

TEST(DomainLists, RoleAddressesIgnoreCaseAndSubaddress) {
    EXPECT_TRUE(lists().isRoleAddress("info"));
    EXPECT_TRUE(lists().isRoleAddress("Postmaster"));
    EXPECT_TRUE(lists().isRoleAddress("sales+spring"));
    EXPECT_FALSE(lists().isRoleAddress("anna.schmidt"));
    EXPECT_TRUE(lists().isFreeProvider("gmx.de"));
    EXPECT_FALSE(lists().isFreeProvider("example.org"));
}

TEST(DomainLists, SuggestsCommonProvidersForTypos) {
    EXPECT_EQ(lists().suggestDomain("gmial.com"), "gmail.com");
    EXPECT_EQ(lists().suggestDomain("hotmial.com"), "hotmail.com");
    EXPECT_EQ(lists().suggestDomain("gmx.dee"), "gmx.de");
    EXPECT_EQ(lists().suggestDomain("outlok.com"), "outlook.com");
    EXPECT_EQ(lists().suggestDomain("gmail.com"), std::nullopt);
    EXPECT_EQ(lists().suggestDomain("example-firma.de"), std::nullopt);
    EXPECT_EQ(lists().suggestDomain("hotmail.it"), std::nullopt);  // another real ending
}

TEST(DomainLists, MissingListIsAnError) {
    EXPECT_THROW(DomainLists("/nonexistent"), std::runtime_error);
}

}  // namespace
}  // namespace verinox::checkd
