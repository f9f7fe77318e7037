// How the multi-pick file dialog turns its selection into paths.
#pragma once
#include <string>
#include <vector>

namespace gbdlg {

// folder: the folder shown; selected: full paths of the selected list entries;
// nameField: the name box ("a.jpg" or "\"a.jpg\" \"b.jpg\"").
// Selected folders come first; when files were selected too, the names in the
// name box are added with the folder in front.
std::vector<std::string> CollectPickedPaths(std::string folder, const std::vector<std::string>& selected,
                                            const std::string& nameField);

}  // namespace gbdlg
