// The command line: the switch parser on whole lines, and the hand-over of arguments to the
// document event table (switches, plain file arguments, print followed by quit).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/event_loop.h"

TEST(CommandLine, SwitchParsing)
{
    struct Case {
        const char* line;
        CommandLineAction action;
        const char* path;  // null: none
    } cases[] = {
        {"/p \"C:/My Pictures/cat.gif\"", CommandLineAction::print, "C:/My Pictures/cat.gif"},
        {"/o x.gif y", CommandLineAction::open, "x.gif"},
        {"/o \"unclosed.gif", CommandLineAction::none, nullptr},
        {"/o    spaced.gif", CommandLineAction::open, "spaced.gif"},
        {"-n /o after.gif", CommandLineAction::open, "after.gif"},
        {"a/o x.gif", CommandLineAction::none, nullptr},  // first slash not after a blank
        {"/o no period here", CommandLineAction::open, "no period here"},
        {"/o name.with.dots gif", CommandLineAction::open, "name.with.dots"},
        {"/x file.gif", CommandLineAction::none, nullptr},
        {"/o", CommandLineAction::none, nullptr},
        {"/ofile.gif", CommandLineAction::none, nullptr},  // no blank after the letter
        {"/o \"\"", CommandLineAction::none, nullptr},     // empty name
        {"", CommandLineAction::none, nullptr},
    };
    for (const Case& c : cases) {
        CommandLineRequest r = ParseCommandLineSwitch(c.line);
        EXPECT_EQ(r.action, c.action) << c.line;
        if (c.path != nullptr) {
            ASSERT_NE(r.path, nullptr) << c.line;
            EXPECT_EQ(std::string(r.path, static_cast<std::size_t>(r.path_length)), c.path) << c.line;
        }
    }
}

namespace {

std::vector<std::string> g_calls;
void record(void* argument, const char* path)
{
    g_calls.push_back(std::string(static_cast<const char*>(argument)) + ":" + (path != nullptr ? path : ""));
}

}  // namespace

TEST(CommandLine, HandsRequestsToTheDocumentEventTable)
{
    static char open[] = "open", print[] = "print", quit[] = "quit";
    const struct {
        std::vector<const char*> args;
        bool quit_handled;
        std::vector<std::string> calls;
    } cases[] = {
        {{"/p", "/home/me/my file.gif"}, true, {"print:/home/me/my file.gif", "quit:"}},
        {{"/o", "x.gif", "y"}, true, {"open:x.gif"}},
        // Plain arguments: every one is opened, paths with slashes and blanks included.
        {{"/tmp/a.gif", "b c.gif"}, true, {"open:/tmp/a.gif", "open:b c.gif"}},
        {{}, true, {}},
        {{"/p", "z.gif"}, false, {"print:z.gif"}},  // a slot without handler is skipped
    };
    for (const auto& c : cases) {
        SetDocumentEventHandler(DocumentEvent::open, record, open);
        SetDocumentEventHandler(DocumentEvent::print, record, print);
        SetDocumentEventHandler(DocumentEvent::quit, c.quit_handled ? record : nullptr, quit);
        std::vector<char*> argv{const_cast<char*>("quillon")};
        for (const char* a : c.args)
            argv.push_back(const_cast<char*>(a));
        argv.push_back(nullptr);
        g_calls.clear();
        HandleCommandLine(static_cast<int>(argv.size()) - 1, argv.data());
        EXPECT_EQ(g_calls, c.calls) << c.args.size();
    }
    for (DocumentEvent e : {DocumentEvent::open, DocumentEvent::print, DocumentEvent::quit})
        SetDocumentEventHandler(e, nullptr, nullptr);
}
