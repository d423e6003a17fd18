// The toolbar's image strip: slot numbers 0..20 of the action table, drawn
// from the icon theme when it has a fitting icon, else from the style, else
// drawn here, so the toolbar looks the same on a bare machine.
#pragma once

#include <QIcon>

QIcon ActionIcon(int slot);
