#pragma once

// The parts of runtime.php beyond the old MySQL layer, each a block of PHP
// functions written into the open file, and the statements every page runs.
// RuntimeScript puts them together.
#include "PHPgenerator.h"

namespace RuntimeParts {

// Session and form-session cookies, form tokens, the visitor's address
// behind the owner's proxies.
void SessionHelpers(TPHPGenerator& g, const TBTable& t, bool admin);
// Counting failed logins and mails per account or address and per client.
void TryLimits(TPHPGenerator& g, const TBTable& t);
// Checks of posted values (dates, pictures, e-mail addresses), mail without
// stray bytes, the database's refusals in the visitor's words.
void FormHelpers(TPHPGenerator& g);
// Pictures: stored only when the bytes are a picture, addressed by a random
// key, kept for a refused form's session and swept when no record took them.
void PictureHelpers(TPHPGenerator& g);
// The columns a site made by an older version lacks, added on first need.
void TableUpgrades(TPHPGenerator& g);
// What every page does first: its headers, and the refusal of forms from
// other sites or without their token.
void PageStart(TPHPGenerator& g, const TBTable& t, bool admin);

} // namespace RuntimeParts
