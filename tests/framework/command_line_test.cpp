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
        if (c.path != nullptr && r.path != nullptr) {
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

void handle(std::vector<const char*> args)
{
    std::vector<char*> argv;
    for (const char* a : args)
        argv.push_back(const_cast<char*>(a));
    argv.push_back(nullptr);
    g_calls.clear();
    HandleCommandLine(static_cast<int>(args.size()), argv.data());
}

}  // namespace

TEST(CommandLine, HandsRequestsToTheDocumentEventTable)
{
    static char open[] = "open", print[] = "print", quit[] = "quit";
    SetDocumentEventHandler(DocumentEvent::open, record, open);
    SetDocumentEventHandler(DocumentEvent::print, record, print);
    SetDocumentEventHandler(DocumentEvent::quit, record, quit);

    handle({"quillon", "/p", "/home/me/my file.gif"});
    EXPECT_EQ(g_calls, (std::vector<std::string>{"print:/home/me/my file.gif", "quit:"}));

    handle({"quillon", "/o", "x.gif", "y"});
    EXPECT_EQ(g_calls, (std::vector<std::string>{"open:x.gif"}));

    // Plain arguments: every one is opened, paths with slashes and blanks included.
    handle({"quillon", "/tmp/a.gif", "b c.gif"});
    EXPECT_EQ(g_calls, (std::vector<std::string>{"open:/tmp/a.gif", "open:b c.gif"}));

    handle({"quillon"});
    EXPECT_TRUE(g_calls.empty());

    // A slot without handler is skipped.
    SetDocumentEventHandler(DocumentEvent::quit, nullptr, nullptr);
    handle({"quillon", "/p", "z.gif"});
    EXPECT_EQ(g_calls, (std::vector<std::string>{"print:z.gif"}));
    SetDocumentEventHandler(DocumentEvent::open, nullptr, nullptr);
    SetDocumentEventHandler(DocumentEvent::print, nullptr, nullptr);
}
