#include "program_data.h"

#include <cstdio>

#include "frame_driver.h"

Result EnterProgramData(const DataLayout& layout) {
  if (Result entered = EnterWorkFolder(layout); !entered) {
    if (layout.installed) return entered;
    std::fprintf(stderr, "quilmorante: %s; data files are looked for here\n",
                 entered.message.c_str());
  }
  if (layout.installed)
    std::fprintf(stderr, "quilmorante: your slots (savedata/) and exports (result/) are in %s\n",
                 layout.workFolder.c_str());
  UseFrameTemplate(ResourcePath(layout, kFrameTemplateFile));
  return Result::Ok();
}
