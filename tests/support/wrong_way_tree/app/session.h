// The session may use the link: this include runs down and passes.
#include "link/receive_thread.h"
