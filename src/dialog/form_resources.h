// Resource ids of the dialog, shared by the resource script and the code.
#pragma once

#define VANTREL2_FORM_ICON 101
