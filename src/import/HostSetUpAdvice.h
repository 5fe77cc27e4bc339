#pragma once
// How the host product is set up for the operators who import, said wherever a right an import needs
// is missing (the database list, its folder, the template, the user directory).
extern const char* const kHostSetUpAdvice;
