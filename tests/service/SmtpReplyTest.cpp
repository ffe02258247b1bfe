#include "SmtpProbe.h"
#include "SmtpReply.h"

#include <gtest/gtest.h>

#include <limits>

namespace verinox::checkd {
namespace {

TEST(SmtpReply, EnhancedCodesAndWordingDecide) {
    struct Case {
        int code;
        std::string text;
        MailboxStatus status;
        std::string enhanced;
    };
    const std::vector<Case> cases = {
        {250, "2.1.5 OK", MailboxStatus::Deliverable, "2.1.5"},
        {251, "User not local; will forward", MailboxStatus::Deliverable, ""},
        {550, "5.1.1 <x@y>: Recipient address rejected", MailboxStatus::Rejected, "5.1.1"},
        {550, "No such user here", MailboxStatus::Rejected, ""},
        {553, "5.1.3 Bad recipient address syntax", MailboxStatus::Rejected, "5.1.3"},
        {554, "5.2.1 account disabled", MailboxStatus::Disabled, "5.2.1"},
        {550, "5.0.0 Mailbox is inactive", MailboxStatus::Disabled, "5.0.0"},
        {550, "5.2.2 mailbox full", MailboxStatus::MailboxFull, "5.2.2"},
        {552, "Requested mail action aborted: exceeded storage", MailboxStatus::MailboxFull, ""},
        {452, "4.2.2 Over quota", MailboxStatus::MailboxFull, "4.2.2"},
        {550, "5.7.1 Service unavailable; client host [1.2.3.4] blocked using Spamhaus",
         MailboxStatus::SenderBlocked, "5.7.1"},
        {554, "5.7.1 Access denied", MailboxStatus::SenderBlocked, "5.7.1"},
        {550, "Your IP is listed at zen.spamhaus.org", MailboxStatus::SenderBlocked, ""},
        {451, "4.7.1 Greylisted, try again later", MailboxStatus::Temporary, "4.7.1"},
        {421, "4.7.0 [1.2.3.4] blocked using Spamhaus", MailboxStatus::SenderBlocked, "4.7.0"},
        {452, "4.5.3 Too many recipients", MailboxStatus::Temporary, "4.5.3"},
        {550, "4.1.1 wrong class is no enhanced code", MailboxStatus::Rejected, ""},
        {554, "5.5.1 Error: no valid recipients", MailboxStatus::Refused, "5.5.1"},
        {503, "5.5.1 Bad sequence of commands", MailboxStatus::Refused, "5.5.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " " + c.text);
        const ReplyMeaning meaning = classifyReply(c.code, c.text);
        EXPECT_EQ(meaning.status, c.status);
        EXPECT_EQ(meaning.enhancedCode, c.enhanced);
    }
}

TEST(SmtpReply, TemporaryRefusalsCarryTheNamedRetryTime) {
    EXPECT_EQ(classifyReply(450, "4.2.0 Greylisted, try again in 5 minutes").retryAfterSeconds,
              300);
    EXPECT_EQ(classifyReply(451, "Please retry in 90 seconds").retryAfterSeconds, 90);
    EXPECT_EQ(classifyReply(451, "4.3.0 Try again after 1 hour").retryAfterSeconds, 3600);
    EXPECT_EQ(classifyReply(451, "4.7.1 Greylisted, try again later").retryAfterSeconds,
              std::nullopt);
    EXPECT_EQ(classifyReply(550, "5.1.1 try again in 5 minutes").retryAfterSeconds, std::nullopt);
    EXPECT_EQ(classifyReply(451, "try again in 999999 hours").retryAfterSeconds,
              std::numeric_limits<int>::max());
}

TEST(SmtpReply, ReaderJoinsLinesUntilTheLastAndRefusesGarbage) {
    ReplyReader reader;
    EXPECT_FALSE(reader.addLine("250-mx.example.com"));
    EXPECT_FALSE(reader.addLine("250-SMTPUTF8"));
    EXPECT_TRUE(reader.addLine("250 8BITMIME"));
    EXPECT_EQ(reader.reply().code, 250);
    EXPECT_EQ(reader.reply().text(), "mx.example.com SMTPUTF8 8BITMIME");
    EXPECT_TRUE(ReplyReader().addLine("354"));

    EXPECT_THROW(ReplyReader().addLine("25"), MalformedReply);
    EXPECT_THROW(ReplyReader().addLine("2x0 Ok"), MalformedReply);
    EXPECT_THROW(ReplyReader().addLine("250Ok"), MalformedReply);
    ReplyReader mixed;
    mixed.addLine("250-first");
    EXPECT_THROW(mixed.addLine("550 second"), MalformedReply);
    ReplyReader endless;
    for (std::size_t i = 1; i < kMaxReplyLines; ++i) {
        endless.addLine("250-more");
    }
    EXPECT_THROW(endless.addLine("250-more"), MalformedReply);
}

}  // namespace
}  // namespace verinox::checkd
