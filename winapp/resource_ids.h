// Resource identifiers of the windows' own pictures (winapp.rc).
#pragma once

/// The About window's picture: 48 x 48 pixels, 16 colours.
#define IDB_VESKARO_ABOUT 101
/// The pointing hand shown over link labels: 32 x 32 pixels, two colours.
#define IDC_VESKARO_HAND 102
