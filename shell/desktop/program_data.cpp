#include "shell/desktop/program_data.h"

#include <cstdio>

Result EnterProgramData(const DataLayout& layout, App& app) {
  if (Result entered = EnterWorkFolder(layout); !entered) {
    if (layout.installed) return entered;
    std::fprintf(stderr, "quilmorante: %s; data files are looked for here\n",
                 entered.message.c_str());
  }
  if (layout.installed)
    std::fprintf(stderr, "quilmorante: your slots (savedata/) and exports (result/) are in %s\n",
                 layout.workFolder.c_str());
  app.folder = LayoutDataFolder(layout);
  return Result::Ok();
}
