#pragma once

// Version of the library as "major.minor.patch".
const char* QxDureriveVersion();
