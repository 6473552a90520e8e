#pragma once
// Telling what loading a sample file found, once per change of what there is to tell rather
// than at every start: the stamp of the last telling is kept in quorel.ini under toldKey.
#include <string>
#include <vector>

// Journals the notes as program errors (a bounded number of lines) unless they are what was
// told last, and keeps their stamp for the next start. Without a settings file it tells.
void tellSampleFileNotes(const std::vector<std::string>& notes, const char* fileName,
                         const char* toldKey);
