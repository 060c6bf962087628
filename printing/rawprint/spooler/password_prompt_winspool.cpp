#include "password_prompt.h"

// The Windows spooler asks the user nothing on a console.
void refusePasswordPrompts()
{
}
