#pragma once

#include <string>

namespace hivelark {

// Writes `text` byte for byte as the file `path`, replacing any file of that name without asking;
// a replaced file's attributes and permissions stay with the name.
// The old file is never destroyed on failure: the text goes to a temporary file in the same
// folder, which is flushed and only then put in the old file's place. Where the folder takes no new
// file (files may be changed there but not added, or no temporary name is left), the file is
// written in place, the only way left to save. Raises Exception
// "Cannot create file "<path>". <system text>" when the file cannot be made or replaced, and
// "Stream write error" when writing fails part-way; the temporary file is removed either way.
void SaveLogFile(const std::string& path, const std::string& text);

} // namespace hivelark
