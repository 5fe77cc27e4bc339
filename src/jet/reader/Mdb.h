#pragma once
// libmdb's header opens an extern "C" block and includes <glib.h> inside it, which C++ refuses
// (glib pulls in templates). Including glib first keeps its headers out of that block.
#include <glib.h>
#include <mdbtools.h>
