// The standard error box: the innermost message, the "." rule, EAbort.

#include "ui/UserDialogs.h"
#include "base/Exception.h"
#include "tests/support/ScriptedDialogs.h"

#include <gtest/gtest.h>
#include <stdexcept>

using veltor::test::ScriptedDialogs;

namespace {

std::exception_ptr Make(const QString& message) {
    return std::make_exception_ptr(Exception(message));
}

TEST(ErrorBox, AppendsAPeriodOnlyAfterACharacterAboveIt) {
    const std::pair<QString, QString> cases[] = {
        {"Unable to write to /x/options.ini", "Unable to write to /x/options.ini."},
        {"Done.", "Done."},
        {"Stop!", "Stop!"},
        {"Value (7)", "Value (7)"},
        {"Ends in dash -", "Ends in dash -"},
        {"Ends in slash /", "Ends in slash /."},
        {"Помилка", "Помилка."},
        {"", ""},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(ErrorBoxText(Make(message)), shown) << message.toStdString();
}

TEST(ErrorBox, ShowsTheInnermostOfNestedExceptions) {
    std::exception_ptr error;
    try {
        try {
            throw Exception("inner cause");
        } catch (...) {
            std::throw_with_nested(std::runtime_error("outer"));
        }
    } catch (...) {
        error = std::current_exception();
    }
    EXPECT_EQ(ErrorBoxText(error), "inner cause.");
}

TEST(ErrorBox, HandledEventShowsTheStandardBoxAndAbortShowsNothing) {
    ScriptedDialogs dialogs;
    EXPECT_FALSE(HandleEvent([] { throw EAbort(); }));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(HandleEvent([] { throw std::runtime_error("plain"); }));
    EXPECT_TRUE(HandleEvent([] {}));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Kestrin Veltor");
    EXPECT_EQ(dialogs.messages[0].text, "plain.");
    EXPECT_EQ(dialogs.messages[0].icon, TMsgIcon::Error);
    EXPECT_EQ(dialogs.messages[0].buttons, TMsgButtons::Ok);
}

} // namespace
