// The window's size against the screen and the places of its controls.
#include "model/clsIndOp_RigTavik.h"

void clsIndOp_RigTavik::RigOpFunc_FormLayout()
{
}
