// The yes-or-no keys of the settings file: only the first three characters are read, and the
// key is on when they are "yes" in any letter case ("YES", "yesterday"); "true" and "1" are no.
#pragma once

bool IsYesValue(const char* value);
