// The desktop program for tests: the framework started offscreen once per process with a
// main window, the document types, texts, menus and panes, as start-up makes
// them (without the splash and welcome windows); corpus files opened as documents.
#pragma once
#include <string>

class DocumentWindow;

void start_program_for_tests();
// Runs loop steps (messages and due tasks) without waiting.
void pump(int steps = 60);
// The corpus file opened as a document window (null when the corpus is missing).
DocumentWindow* open_corpus(const char* name);
std::string corpus_path(const char* name);
// Closes every document window without questions.
void close_all_documents();
