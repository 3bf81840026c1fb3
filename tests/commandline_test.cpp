#include "app/commandline.h"

#include <gtest/gtest.h>

namespace {

StartOptions parse(std::initializer_list<const char *> args)
{
    QStringList arguments{QStringLiteral("quillory")};
    for (const char *a : args)
        arguments.append(QString::fromUtf8(a));
    return parseStartOptions(arguments);
}

const QString kShare = QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq");

TEST(CommandLine, AWindowStartsWithTheAddressGivenOrNone)
{
    struct Case {
        std::initializer_list<const char *> args;
        QString address;
    };
    const Case cases[] = {
        {{}, QString()},
        {{"http://changba.com/s/Wc7nGGH3ZBbq"}, kShare},
        // An address that the lookup will refuse still reaches the window, which says so.
        {{"not an address"}, QStringLiteral("not an address")},
        {{"--", "-dash-first"}, QStringLiteral("-dash-first")},
        // Toolkit options are left to the toolkit, with or without a value.
        {{"-platform", "offscreen", "http://changba.com/s/Wc7nGGH3ZBbq"}, kShare},
        {{"http://changba.com/s/Wc7nGGH3ZBbq", "-session", "1234abc"}, kShare},
        {{"-reverse", "-style=fusion"}, QString()},
    };
    for (const Case &c : cases) {
        const StartOptions o = parse(c.args);
        EXPECT_EQ(o.action, StartOptions::Action::Run) << o.text.toStdString();
        EXPECT_EQ(o.address, c.address);
    }
}

TEST(CommandLine, HelpAndVersionPrintAndEndWell)
{
    for (const char *flag : {"--help", "-h"}) {
        const StartOptions o = parse({flag});
        ASSERT_EQ(o.action, StartOptions::Action::Print) << flag;
        EXPECT_FALSE(o.toError);
        EXPECT_EQ(o.exitCode, 0);
        EXPECT_TRUE(o.text.startsWith(QStringLiteral("Usage: quillory [options] [ADDRESS]\n"))) << o.text.toStdString();
        for (const char *named : {"--help", "--version", "ADDRESS"})
            EXPECT_TRUE(o.text.contains(QLatin1String(named))) << named;
        EXPECT_FALSE(o.text.contains(QStringLiteral("platform"))) << "toolkit options stay out of the help";
    }
    for (const char *flag : {"--version", "-v"}) {
        const StartOptions o = parse({flag, "http://changba.com/s/Wc7nGGH3ZBbq"});
        ASSERT_EQ(o.action, StartOptions::Action::Print) << flag;
        EXPECT_EQ(o.text, QStringLiteral("quillory V3.2\n"));
        EXPECT_FALSE(o.toError);
        EXPECT_EQ(o.exitCode, 0);
    }
}

TEST(CommandLine, WhatCannotBeReadEndsWithAReasonOnTheErrorStream)
{
    struct Case {
        std::initializer_list<const char *> args;
        const char *reason;
    };
    const Case cases[] = {
        {{"--volume=3"}, "volume"},
        {{"-x"}, "x"},
        {{"http://changba.com/s/a", "http://changba.com/s/b"}, "only one address"},
        {{"-platform"}, "platform"}, // a toolkit option without its value
    };
    for (const Case &c : cases) {
        const StartOptions o = parse(c.args);
        ASSERT_EQ(o.action, StartOptions::Action::Print) << c.reason;
        EXPECT_TRUE(o.toError);
        EXPECT_EQ(o.exitCode, 1);
        EXPECT_TRUE(o.text.startsWith(QStringLiteral("quillory: "))) << o.text.toStdString();
        EXPECT_TRUE(o.text.contains(QLatin1String(c.reason))) << o.text.toStdString();
        EXPECT_TRUE(o.text.endsWith(QStringLiteral("Try 'quillory --help'.\n"))) << o.text.toStdString();
    }
}

TEST(CommandLine, ArgumentsOfMainKeepTheirCharacters)
{
    char program[] = "quillory";
    char address[] = "http://changba.com/s/歌";
    char *argv[] = {program, address, nullptr};
    EXPECT_EQ(commandLineArguments(2, argv), (QStringList{QStringLiteral("quillory"), QStringLiteral("http://changba.com/s/歌")}));
}

} // namespace
