#pragma once
// Makes the executable's own folder the working directory, so the data files and the save
// and export folders beside it are found whatever folder the program was started from.

#include <string>

// The folder of the running executable, from /proc/self/exe; empty when it cannot be read.
std::string ExecutableDirectory();

// Changes into ExecutableDirectory(). False, with errno-based text in `error`, on failure.
bool EnterExecutableDirectory(std::string& error);
