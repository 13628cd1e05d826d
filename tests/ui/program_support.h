// The desktop program for tests: the framework started offscreen once per process with a
// main window, the document types, texts, menus and panes, as start-up makes
// them (without the splash and welcome windows); corpus files opened as documents.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "app/report.h"

class DocumentWindow;

void start_program_for_tests();
// Runs loop steps (messages and due tasks) without waiting.
void pump(int steps = 60);
// The corpus file opened as a document window (null when the corpus is missing).
DocumentWindow* open_corpus(const char* name);
// The same, made the front document as activating its window does.
DocumentWindow* open_front(const char* name);
std::string corpus_path(const char* name);
// Closes every document window without questions.
void close_all_documents();

// Installed while it lives: keeps every alert and progress report, answers every question
// with `answer`, counts the beeps.
class RecordingReporter final : public Reporter {
public:
    explicit RecordingReporter(bool answer = true) : m_answer(answer), m_previous(set_reporter(this)) { }
    ~RecordingReporter() override { set_reporter(m_previous); }
    void alert(AlertKind kind, const char* message, const char*) override { alerts.emplace_back(kind, message); }
    bool ask(AlertKind, const char*, const char*, const char*) override { return m_answer; }
    void beep() override { ++beeps; }
    void begin_progress(const char* caption, std::uint32_t) override { reports.push_back({caption, 0, 0}); }
    void restart_progress(std::uint32_t total) override { reports.back().total = total; }
    void advance_progress(std::uint32_t units) override { reports.back().done += units; }
    struct Progress {
        std::string caption;
        std::uint32_t total, done;
    };
    std::vector<std::pair<AlertKind, std::string>> alerts;
    std::vector<Progress> reports;
    int beeps = 0;

private:
    bool m_answer;
    Reporter* m_previous;
};
