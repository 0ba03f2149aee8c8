#pragma once

#include <string>

class TNCADProject;
class TFileSystemCalls;

// The point file text of a project: for each group in order, for each of its points, one
// line "ID, X, Y, Z, CODE" with four decimals, ending in CR LF. Text is CP949, no BOM; a
// character CP949 cannot hold throws Cp949::EUnencodable naming the line and the point.
std::string FormatPointFile(const TNCADProject& project);

// Writes FormatPointFile(project) to `path`, replacing the file there only once the new
// one is complete. Throws EFileError.
void SavePointFile(const TNCADProject& project, const std::string& path,
                   TFileSystemCalls* calls = nullptr);
