// The temporary files of the document layers that must not outlive the process.
#pragma once

#include <string>

// A run ended by -q never forgets its object base, and the configuration keeps the access layer
// referenced to the end, so the layer is never destroyed: the files it made are removed once
// more when the process exits.
namespace leftoverFiles {

// The file is removed at exit unless forgotten before.
void remember(const std::string& path);
// The owner removed the file itself.
void forget(const std::string& path);

}  // namespace leftoverFiles
