#pragma once

#include "model/ProjectCheck.h"

#include <QString>

// A refused definition as the windows say it. The checks name each setting
// by its label and by its store name in brackets ("Records per page
// (LinesPerPage): ..."), which helps someone editing a project file; on the
// screen the label is enough.
QString ShownProblem(const TDefinitionProblem& problem);
