#pragma once
// The program's files at start-up: the layout rule of data_folder.h applied to the editor.

#include "generator/result.h"
#include "shell/core/app.h"
#include "store/data_folder.h"

// Makes the layout's work folder the working directory (creating and seeding the user's data
// folder in the installed layout, which it names on standard error) and gives the app the
// layout's data folder (app.folder). Fails only when the program cannot go on: in the installed
// layout, without a usable data folder. Beside the executable a folder that cannot be entered is
// reported and the current folder is used.
Result EnterProgramData(const DataLayout& layout, App& app);
