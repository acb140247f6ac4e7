#pragma once
// The Windows editor is a program without a console window. Started from a console (cmd,
// PowerShell) it writes its help, version and messages there; with its output redirected, into
// the file or pipe. Other systems give every program its standard output and error already.

#ifdef _WIN32
void UseParentConsole();
#else
inline void UseParentConsole() {}
#endif
