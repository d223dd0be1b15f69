// SPDX-License-Identifier: LGPL-3.0-or-later
// quillsift-host --reindex: has Windows Search read again the books it has already indexed, as
// it does after a new filter is installed: its search manager's catalog "SystemIndex" is asked
// to re-index the items that match *.mobi, *.azw and *.azw3. The indexer reads them again in
// the background, through the filter now registered. It reaches the books in the locations
// Windows Search indexes; the installer runs it after registering the DLL.
#pragma once

#include "platform/Platform.h"

// Returns the exit status: 0 when the indexer took the three patterns; ExitSearchUnavailable
// when there is no Windows Search to ask (not installed, stopped, disabled), with one line
// that says what to do instead; 1 when the indexer refused a request (its code printed); 2
// for a usage error.
int RunReindexCommand(int argc, WCHAR** argv);
