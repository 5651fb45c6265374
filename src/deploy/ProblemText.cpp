#include "ProblemText.h"

#include <QRegularExpression>

QString ShownProblem(const TDefinitionProblem& problem) {
    // A store name is one word of letters and digits in upper camel case.
    static const QRegularExpression storeName(QStringLiteral(" \\((?:[A-Z][a-z0-9]+)+\\)"));
    QString text = problem.Message;
    return text.remove(storeName);
}
