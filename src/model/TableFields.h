#pragma once

// The project model: table definition, field definition, message table.
#include "Field.h"
#include "Table.h"
#include "WebLanguage.h"
