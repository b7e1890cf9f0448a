// The program's entry: the toolkit creates the application object after the static analyzers.
#include "app/kavrin_app.h"

wxIMPLEMENT_APP(kavrin::CKavrinApp);
