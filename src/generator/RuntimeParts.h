#pragma once

// The parts of runtime.php beyond the old MySQL layer, each a block of PHP
// functions (and the few statements every page runs) written into the open
// file. RuntimeScript puts them together.
#include "PHPgenerator.h"

namespace RuntimeParts {

// Session cookie, the headers of every page, refusal of forms from other
// sites.
void SessionHelpers(TPHPGenerator& g, const TBTable& t, bool admin);
// Counting failed logins and password mails per account and per client.
void TryLimits(TPHPGenerator& g, const TBTable& t);
// Checks of posted values (dates, pictures, e-mail addresses), mail without
// stray bytes, the database's refusals in the visitor's words.
void FormHelpers(TPHPGenerator& g);
// Searches and pages as addresses, announced messages, empty values as NULL,
// dates from the browser's own control.
void PageHelpers(TPHPGenerator& g);

} // namespace RuntimeParts
