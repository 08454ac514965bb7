// A link file that reaches up into the session: the include check must refuse it.
#include "app/session.h"
#include "base/messages.h"
#include "link/receive_thread.h"
