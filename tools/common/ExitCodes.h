// The exit codes of quillsift-dump and quillsift-host.
#pragma once

// Every book was loaded and the output written.
const int ExitAllLoaded = 0;
// A book could not be opened or loaded, or the output could not be written.
const int ExitSomeFailed = 1;
const int ExitUsage = 2;
// The filter library could not be loaded, or was still in use at the end (quillsift-dump).
const int ExitLibraryInUse = 3;
