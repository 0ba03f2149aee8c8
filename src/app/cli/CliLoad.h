#pragma once

#include <string>

class TNCADProject;

// Reads a job file into `project` with the import's rules: every command that reads a job
// goes through here, so a new file format is added once. On failure prints the reason to
// standard error ("FILE:LINE: message" for a faulty line) and returns false.
bool LoadJobFile(const std::string& path, TNCADProject& project);
