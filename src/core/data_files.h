// The data files the bot expects in its working folder, created empty at
// program start when missing, so that later reads find them.
#pragma once

#include <string>
#include <vector>

namespace pelmo {

class WorkFolder;

// The files in the order they are created: the eighteen of botfile/ and
// the working folder, relative to the working folder.
const std::vector<std::string>& DataFileNames();

// Creates botfile/ when missing, then each missing file of DataFileNames()
// empty, then user/ with an empty user/seen.txt when user/ is missing.
// Existing files are left untouched. Returns the paths that could not be
// created (empty when all is well).
std::vector<std::string> CreateMissingDataFiles(const WorkFolder& folder);

}  // namespace pelmo
