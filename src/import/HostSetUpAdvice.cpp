#include "import/HostSetUpAdvice.h"

const char* const kHostSetUpAdvice =
    "The product is set up for the operators who import with crew-host-setup (--group GROUP for a group "
    "of them, --user USER for one; see man crew-host-setup). Ask whoever set it up to name you or your "
    "group, then start the import again.";
