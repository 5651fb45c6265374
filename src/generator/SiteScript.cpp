// site.js: everything the pages of a folder do in the browser. The pages
// carry no script and no event attribute of their own, so their policy lets
// only this file run. Links that submit a form, go back or ask first, and
// buttons that name their job, say so in DATA- attributes; without script
// they still lead somewhere sensible.
#include "RecordParts.h"

using namespace RecordParts;

namespace {

// A JavaScript string literal in ASCII only: the file reads the same in
// every character set a site may declare.
QString jsLiteral(const QString& text) {
    QString out;
    for (const QChar c : TPHPGenerator::JsString(text)) {
        if (c.unicode() < 0x80)
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return u'"' + out + u'"';
}

// The operators each searchable field offers, and the choices of those with
// a list: what the search form's rows change to when a field is chosen.
std::pair<QString, QString> searchLists(const TBTable& t, bool admin) {
    const auto op = [&](const char* value, const char* key) {
        return QStringLiteral("[\"%1\", %2]")
            .arg(QLatin1String(value), jsLiteral(t.Language.Text(QLatin1String(key))));
    };
    const QString yesNo =
        u'[' + op("isyes", "OpIsYes") + QStringLiteral(", ") + op("isno", "OpIsNo") + u']';
    const QString number = u'[' + op("is", "OpIs") + QStringLiteral(", ") + op("isnot", "OpIsNot") +
                           QStringLiteral(", ") + op("lessthan", "OpLessThan") +
                           QStringLiteral(", ") + op("greaterthan", "OpGreaterThan") + u']';
    const QString text = u'[' + op("contains", "OpContains") + QStringLiteral(", ") +
                         op("is", "OpIs") + QStringLiteral(", ") + op("isnot", "OpIsNot") +
                         QStringLiteral(", ") + op("notcontains", "OpNotContains") +
                         QStringLiteral(", ") + op("lessthan", "OpLessThan") +
                         QStringLiteral(", ") + op("greaterthan", "OpGreaterThan") + u']';
    QStringList operators, choices;
    for (const TBField& f : t.Fields) {
        // The visitor's file does not name the fields his pages hide.
        if (!f.Searchable || Left(f, admin))
            continue;
        const QString& type = f.FieldType;
        operators += jsLiteral(f.FieldName) + QStringLiteral(": ") +
                     (type == FieldTypes::YesNo                                 ? yesNo
                      : type == FieldTypes::Integer || type == FieldTypes::Real ? number
                                                                                : text);
        if ((f.InputType != InputTypes::Radio && f.InputType != InputTypes::Select) ||
            f.EnumValues.isEmpty())
            continue;
        QStringList values;
        for (const QString& v : f.EnumValues)
            values += jsLiteral(v);
        choices += jsLiteral(f.FieldName) + QStringLiteral(": [") +
                   values.join(QStringLiteral(", ")) + u']';
    }
    return {operators.join(QStringLiteral(",\r\n    ")), choices.join(QStringLiteral(",\r\n    "))};
}

} // namespace

bool TPHPGenerator::SiteScript(const TBTable& t, bool admin) {
    return WriteFile(t, admin, QStringLiteral("site.js"), [&] {
        const auto [operators, choices] = searchLists(t, admin);
        Lines(uR"js(
// What the pages of this site do in the browser.
(function () {
  "use strict";
  var operators = {
    {operators|raw}
  };
  var choiceLists = {
    {choices|raw}
  };

  // A search row offers the operators of the field it names...
  function setOperator(form, row) {
    var select = form.elements["operator" + row];
    var field = form.elements["field" + row];
    if (!select || !field) { return; }
    var list = operators[field.value] || [];
    select.options.length = 0;
    for (var i = 0; i < list.length; i++) {
      select.options[i] = new Option(list[i][1], list[i][0]);
    }
  }

  // ... and for a field with choices, a list of them in place of the text
  // box; without script the text box takes the value typed.
  function setValueInput(form, row) {
    var old = form.elements["fieldvalue" + row];
    var field = form.elements["field" + row];
    if (!old || !field) { return; }
    var choices = choiceLists[field.value];
    var control;
    if (choices) {
      control = document.createElement("select");
      for (var i = 0; i < choices.length; i++) {
        control.options[i] = new Option(choices[i], choices[i]);
      }
      form.elements["operator" + row].value = "is";
    } else if (old.tagName == "SELECT") {
      control = document.createElement("input");
      control.type = "text";
    } else {
      return;
    }
    control.name = old.name;
    control.setAttribute("aria-label", old.getAttribute("aria-label"));
    old.parentNode.replaceChild(control, old);
  }

  // The administrator's add page: the member list keeps the names that
  // contain what he types.
  var members = null;
  function lookUpMember(button) {
    var select = button.form.elements["usercombo"];
    if (!select) { return; }
    if (members === null) {
      members = [];
      for (var i = 0; i < select.options.length; i++) { members.push(select.options[i].value); }
    }
    var text = window.prompt(button.getAttribute("data-lookup"), "");
    if (text === null) { return; }
    select.options.length = 0;
    for (var j = 0; j < members.length; j++) {
      if (members[j].indexOf(text) >= 0) {
        select.options[select.options.length] = new Option(members[j], members[j]);
      }
    }
    select.selectedIndex = 0;
  }

  document.addEventListener("click", function (event) {
    var target = event.target.closest ? event.target.closest("[data-submit], [data-back], [data-job], [data-lookup]") : null;
    if (!target) { return; }
    if (target.hasAttribute("data-submit")) {
      event.preventDefault();
      var question = target.getAttribute("data-confirm");
      var form = document.forms[target.getAttribute("data-submit")];
      if (form && (!question || window.confirm(question))) { form.submit(); }
    } else if (target.hasAttribute("data-back")) {
      event.preventDefault();
      history.go(-Number(target.getAttribute("data-back")));
    } else if (target.hasAttribute("data-job")) {
      target.form.elements["job"].value = target.getAttribute("data-job");
    } else {
      lookUpMember(target);
    }
  });

  document.addEventListener("change", function (event) {
    var row = event.target.getAttribute ? event.target.getAttribute("data-row") : null;
    if (row) {
      setOperator(event.target.form, row);
      setValueInput(event.target.form, row);
    }
  });
})();
)js",
              {{QStringLiteral("operators"), operators}, {QStringLiteral("choices"), choices}});
    });
}
