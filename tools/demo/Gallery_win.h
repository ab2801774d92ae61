#pragma once

#include <string>
#include <vector>

namespace velmar::demo {

// Runs the wizard of `distFolder` (a copy of it, so that its Doc folder is surely missing) through
// the typical run and its boxes with the scripted simulated driver, and saves a picture of every
// screen the user passes through, with its highlight, and of every box, into `outputFolder`.
// Returns the files written, in order. Throws on the first screen that does not show as expected.
std::vector<std::wstring> makeGallery(const std::wstring& distFolder,
                                      const std::wstring& outputFolder);

}  // namespace velmar::demo
