"""Project JSON for the benchmarks' sites, as corvanta-cli import-project and
e2e-sitegen read it. Both run the same project check as a user's project,
so a fixture the check refuses fails its benchmark at once."""

# The input type the forms offer first for each field type.
INPUTS = {"Text": "Text", "Integer": "Text", "Real number": "Text", "Yes/No": "Checkbox",
          "Date & time": "Date & time", "Image": "Image", "Image link": "Image link",
          "Mailto": "Mailto", "Hyperlink": "Hyperlink"}
TYPES = list(INPUTS)


def field(column, type_, name, **extra):
    f = {"FieldName": column, "FieldName2": column + "two", "FieldType": type_,
         "InputType": INPUTS[type_], "Name": name, "MaxLength": 60, "TextLength": 30,
         "Searchable": True, "Visible": True, "Editable": True}
    if type_ == "Date & time":
        f["DateTimeFormat"] = "DD/MM/YYYY hh:mm:ss"
    f.update(extra)
    return f


def project(name, fields, **settings):
    s = {"TableName": name, "DatabaseDisplayName": name.capitalize(), "LinesPerPage": 10,
         "NumOfFilterFields": 3, "NumOfSortFields": 3, "AdminPassword": "x", "UserMode": ""}
    s.update(settings)
    return {"DbName": name, "Settings": s, "Fields": fields}


def many_fields(count):
    """`count` fields of every type in turn, a third of them searchable,
    some required, unique or part of the key: a large project. Past the
    hundredth only the small types come, past the 350th only numbers, so the
    record stays within the row size the database allows."""
    small = ["Text", "Integer", "Real number", "Yes/No"]
    fields = []
    for i in range(1, count + 1):
        type_ = TYPES[i % len(TYPES)] if i <= 100 else small[i % len(small)] if i <= 350 else "Integer"
        fields.append(field("field%d" % i, type_, "Field %d" % i, FieldName2="second%d" % i,
                            MaxLength=40,
                            Searchable=i % 3 == 0, Required=i % 4 == 0,
                            NoDuplicates=i % 10 == 0 and i <= 100 and type_ not in ("Yes/No", "Image"),
                            Key=i in (7, 8)))
    return fields
