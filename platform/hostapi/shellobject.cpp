#include "shellobject.h"

ShellObject::~ShellObject() = default;

void ShellObject::objectAttach()
{
}
