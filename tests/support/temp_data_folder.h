#pragma once
// A data folder of the test's own, reached by its path: the working directory stays as it is,
// and every slot, export and template is named from the folder's root, as the programs name
// them.

#include <string>

#include "store/data_folder.h"
#include "tests/support/temp_folder.h"

struct TempDataFolder {
  TempFolder folder{{.label = "data"}};
  DataFolder data{folder.path().string()};

  // A file of the folder by its name there: "savedata/pat3.txt".
  std::string File(const std::string& name) const { return data.Path(name); }
  void Write(const std::string& name, const std::string& text) const {
    WriteText(File(name), text);
  }
  std::string Read(const std::string& name) const { return ReadText(File(name)); }
};
