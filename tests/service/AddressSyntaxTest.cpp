#include "AddressSyntax.h"
#include "Utf8.h"

#include <gtest/gtest.h>

namespace verinox::checkd {
namespace {

std::string reasonFor(const std::string& address) {
    try {
        parseAddress(address);
    } catch (const InvalidAddress& invalid) {
        return invalid.what();
    }
    return "accepted";
}

TEST(AddressSyntax, AcceptsTheMailboxForms) {
    for (const std::string address :
         {"a@b.de", "first.last@example.com", "x!#$%&'*+-/=?^_`{|}~y@example.com",
          "\"john doe\"@example.com", "\"a\\\"b@c\"@example.com", "user@sub.domain.example.org",
          "user@[192.0.2.1]", "user@[IPv6:2001:db8::1]", "Anna@EXAMPLE.COM"}) {
        EXPECT_EQ(reasonFor(address), "accepted") << address;
    }
    const ParsedAddress upper = parseAddress("Anna@EXAMPLE.COM");
    EXPECT_EQ(upper.localPart, "Anna");  // the local part is case-sensitive and kept
    EXPECT_EQ(upper.asciiDomain, "example.com");
    EXPECT_TRUE(parseAddress("\"john doe\"@example.com").quotedLocalPart);
    const ParsedAddress literal = parseAddress("user@[IPv6:2001:db8::1]");
    EXPECT_TRUE(literal.addressLiteral);
    EXPECT_EQ(literal.literalAddress, "2001:db8::1");
}

TEST(AddressSyntax, InternationalPartsAreMarkedAndConverted) {
    const ParsedAddress utf8Local = parseAddress("jürgen@example.de");
    EXPECT_TRUE(utf8Local.internationalLocalPart);
    EXPECT_FALSE(utf8Local.internationalDomain);

    const ParsedAddress idn = parseAddress("info@Bücher.de");
    EXPECT_TRUE(idn.internationalDomain);
    EXPECT_EQ(idn.asciiDomain, "xn--bcher-kva.de");
    EXPECT_EQ(idn.mailbox(), "info@xn--bcher-kva.de");

    EXPECT_EQ(reasonFor("a@xn--zz.de"), "Der internationale Domainname ist ungültig.");
    EXPECT_EQ(reasonFor("a@\xE2\x98\x83\xE2\x80\x8D.de"),  // snowman with a zero-width joiner
              "Der internationale Domainname ist ungültig.");
}

TEST(AddressSyntax, LengthLimitsAreOctetLimits) {
    const std::string local64(64, 'a');
    EXPECT_EQ(reasonFor(local64 + "@example.com"), "accepted");
    EXPECT_EQ(reasonFor(local64 + "a@example.com"), "Der Teil vor dem @ ist länger als 64 Bytes.");
    // 32 two-octet letters are 64 octets; one more is too many.
    std::string umlauts;
    for (int i = 0; i < 33; ++i) {
        umlauts += "ä";
    }
    EXPECT_EQ(reasonFor(umlauts + "@example.com"), "Der Teil vor dem @ ist länger als 64 Bytes.");

    std::string domain;
    while (domain.size() < 250) {
        domain += std::string(59, 'd') + ".";
    }
    domain += "example.com";
    EXPECT_EQ(reasonFor("a@" + domain), "Der Domainname ist länger als 255 Bytes.");
    const std::string label(63, 'd');
    const std::string domain250 =
        label + "." + label + "." + label + "." + std::string(55, 'd') + ".de";
    ASSERT_EQ(domain250.size(), 250u);
    EXPECT_EQ(reasonFor("abc@" + domain250), "accepted");  // 254 octets
    EXPECT_EQ(reasonFor("abcd@" + domain250), "Die Adresse ist länger als 254 Bytes.");
    EXPECT_EQ(reasonFor(std::string(321, 'a')), "Die Adresse ist länger als 320 Bytes.");
    EXPECT_EQ(reasonFor("a@" + std::string(64, 'd') + ".de"),
              "Ein Teil des Domainnamens hat über 63 Zeichen.");
}

TEST(AddressSyntax, RejectsMalformedAddressesWithTheirReason) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "Es wurde keine Adresse angegeben."},
        {"plainaddress", "Die Adresse enthält kein @-Zeichen."},
        {"@example.com", "Vor dem @ steht nichts."},
        {"user@", "Nach dem @ steht nichts."},
        {"a\tb@example.com", "Die Adresse enthält Steuerzeichen."},
        {"ab@exa\x7Fmple.com", "Die Adresse enthält Steuerzeichen."},
        {"ab@example.com\xC2\x85", "Die Adresse enthält Steuerzeichen."},  // NEL, a C1 control
        {"ab\xC3@example.com", "Die Adresse ist kein gültiger UTF-8-Text."},
        {"ab\xC0\xAF@example.com", "Die Adresse ist kein gültiger UTF-8-Text."},  // overlong '/'
        {"ab\xED\xA0\x80@example.com", "Die Adresse ist kein gültiger UTF-8-Text."},  // surrogate
        {".a@example.com", "Der Teil vor dem @ hat einen Punkt an falscher Stelle."},
        {"a..b@example.com", "Der Teil vor dem @ hat einen Punkt an falscher Stelle."},
        {"a.@example.com", "Der Teil vor dem @ hat einen Punkt an falscher Stelle."},
        {"a b@example.com", "Der Teil vor dem @ enthält ein unerlaubtes Zeichen."},
        {"<script>@example.com", "Der Teil vor dem @ enthält ein unerlaubtes Zeichen."},
        {"a@b@example.com", "Der Teil vor dem @ enthält ein unerlaubtes Zeichen."},
        {"\"abc@example.com", "Vor dem @ fehlt ein Anführungszeichen."},
        {"\"a\"b\"@example.com", "Anführungszeichen an falscher Stelle vor dem @."},
        {"\"a\\\"@example.com", "Unvollständiger Rückstrich vor dem @."},
        {"a@example..com", "Der Domainname hat einen Punkt an falscher Stelle."},
        {"a@example.com.", "Der Domainname hat einen Punkt an falscher Stelle."},
        {"a@-example.com", "Der Domainname enthält ein unerlaubtes Zeichen."},
        {"a@exa_mple.com", "Der Domainname enthält ein unerlaubtes Zeichen."},
        {"a@localhost", "Dem Domainnamen fehlt die Endung (etwa .de)."},
        {"a@192.168.0.1", "Dem Domainnamen fehlt die Endung (etwa .de)."},
        {"a@[192.168.0.300]", "Die IP-Adresse nach dem @ ist ungültig."},
        {"a@[IPv6:zz::1]", "Die IP-Adresse nach dem @ ist ungültig."},
        {"a@[192.0.2.1", "Der IP-Adresse nach dem @ fehlt die Klammer ]."},
    };
    for (const auto& [address, reason] : cases) {
        EXPECT_EQ(reasonFor(address), reason) << address;
    }
}

TEST(AddressSyntax, InvisibleCharactersBeforeTheAtAreRefusedAndNeverShown) {
    const std::string reason =
        "Vor dem @ stehen unsichtbare Zeichen (Schreibrichtungswechsel, Zeichen ohne Breite oder "
        "BOM); die Adresse sähe anders aus, als sie ist.";
    for (const std::string address :
         {"alice\u202Emoc.elgoog@mx.test", "al\u200Bice@mx.test", "\uFEFFalice@mx.test",
          "alice\u2066x\u2069@mx.test", "\"al\u200Fice\"@mx.test", "ali\u00ADce@mx.test"}) {
        EXPECT_EQ(reasonFor(address), reason) << address;
        EXPECT_FALSE(containsInvisibleFormatting(toDisplayUtf8(address))) << address;
    }
    EXPECT_EQ(toDisplayUtf8("a\u202Eb"), "a\uFFFDb");
    EXPECT_EQ(reasonFor("jürgen.größe@mx.test"), "accepted");
}

TEST(AddressSyntax, OneMailboxHasOneKeyHoweverItIsSpelt) {
    const std::string key = parseAddress("alice@mx.test").mailboxKey();
    for (const std::string spelling :
         {"ALICE@MX.TEST", "\"alice\"@mx.test", "\"al\\ice\"@Mx.Test"}) {
        EXPECT_EQ(parseAddress(spelling).mailboxKey(), key) << spelling;
    }
    EXPECT_NE(parseAddress("alice.b@mx.test").mailboxKey(), key);
    EXPECT_EQ(parseAddress("\"a b\"@mx.test").mailbox(), "\"a b\"@mx.test");
    EXPECT_EQ(parseAddress("\"a\\b\"@mx.test").mailbox(), "ab@mx.test");
    const ParsedAddress mapped = parseAddress("x@[IPv6:::FFFF:127.0.0.3]");
    EXPECT_EQ(mapped.literalAddress, "127.0.0.3");
    EXPECT_EQ(mapped.mailboxKey(), parseAddress("x@[127.0.0.3]").mailboxKey());
    EXPECT_EQ(parseAddress("x@[IPv6:2001:DB8:0::1]").asciiDomain, "[IPv6:2001:db8::1]");
}

}  // namespace
}  // namespace verinox::checkd
