#pragma once
// Message-window lines reported on other threads (the mail thread), waiting for the GUI
// thread. The program owns them: the wake-up that the front end posts carries no pointer, so a
// message that another process posts finds nothing of its own to free.
#include <string>
#include <vector>

// Any thread. False when the line was dropped: out of memory, or the queue is closed. wake is
// set when the queue was empty, so the caller must wake the GUI thread (later lines ride on
// that wake-up).
bool queueWindowLine(const char* line, bool& wake);
// GUI thread: every waiting line, oldest first; the queue is empty afterwards.
std::vector<std::string> takeWindowLines();
// At exit: frees the waiting lines; lines queued later are dropped.
void closeWindowLines();
// A fresh, empty and open queue.
void openWindowLines();
