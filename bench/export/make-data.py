#!/usr/bin/python3
"""Writes the record files of a benchmark site and what the references need.

make-data.py FOLDER RECORDS LOCALPATH URL SERVER DB USER PASSWORD FTP FTPUSER FTPPASSWORD

FOLDER receives project.json (a Login site with members, pictures and field
locks), records.txt, users.txt and images.txt as a download writes them, and
reference.sql: the same rows in one transaction for the mariadb client.
"""
import base64
import json
import os
import random
import sys

folder, count, local, url, server, db, user, password, ftp, ftpuser, ftppassword = sys.argv[1:]
count = int(count)
members = max(1, count // 100)
pictures = max(1, count // 250)
os.makedirs(folder, exist_ok=True)


def field(column, type_, name):
    # The input each type allows.
    inputs = {"Yes/No": "Checkbox", "Date & time": "Date & time", "Image": "Image"}
    f = {"FieldName": column, "FieldName2": column + "2", "FieldType": type_,
         "InputType": inputs.get(type_, "Text"), "Name": name, "MaxLength": 60,
         "TextLength": 30, "Searchable": True, "Visible": True, "Editable": True}
    if type_ == "Date & time":
        f["DateTimeFormat"] = "DD/MM/YYYY hh:mm:ss"
    return f


fields = [field("title", "Text", "Title"), field("notes", "Text", "Notes"),
          field("amount", "Integer", "Count"), field("price", "Real number", "Price"),
          field("done", "Yes/No", "Done"), field("added", "Date & time", "Added"),
          field("photo", "Image", "Photo")]
project = {"DbName": "bench", "Settings": {
    "TableName": "bench", "DatabaseDisplayName": "Bench", "AdminPassword": "x",
    "UserUpdate": True, "UserMode": "Login", "LocalPath": local, "URL": url,
    "PHPPath": "bench/", "Server": ftp, "User": ftpuser, "Password": ftppassword,
    "DatabaseServer": server, "DatabaseName": db, "DatabaseUser": user,
    "DatabasePassword": password}, "Fields": fields}
with open(os.path.join(folder, "project.json"), "w") as f:
    json.dump(project, f)

rng = random.Random(7)
users, images, records = [], [], []
for m in range(1, members + 1):
    users.append((m, "member%d@example.org" % m, "pw%d" % m))
for p in range(1, pictures + 1):
    data = bytes(rng.getrandbits(8) for _ in range(12000 + p % 5 * 1000))
    images.append((p, p % members + 1, base64.b64encode(data).decode(), "image/png"))
for i in range(1, count + 1):
    price = (i % 400) / 4
    records.append((i % members + 1, "Record %d of the benchmark" % i, "note %d" % i, i,
                    ("%d" % price) if price == int(price) else repr(price),
                    "Yes" if i % 3 else "No",
                    "20240101%02d%02d%02d" % (i // 3600 % 24, i // 60 % 60, i % 60),
                    0 if i % 7 else i % pictures + 1, "1111111" if i % 11 else "1010011"))


def write(name, rows):
    with open(os.path.join(folder, name), "w", newline="") as f:
        for row in rows:
            f.write("|".join(str(v) for v in row) + "\r\n")


write("users.txt", users)
write("images.txt", images)
write("records.txt", records)


def quote(v):
    return "'" + str(v).replace("\\", "\\\\").replace("'", "\\'") + "'"


with open(os.path.join(folder, "reference.sql"), "w") as f:
    f.write("START TRANSACTION;\nDELETE FROM bench;\nDELETE FROM bench_USERS;\n"
            "DELETE FROM bench_IMAGES;\n")
    for start in range(0, len(users), 1000):
        f.write("INSERT INTO bench_USERS (userid, username, userpassword) VALUES " +
                ",".join("(%d,%s,%s)" % (u, quote(n), quote(p))
                         for u, n, p in users[start:start + 1000]) + ";\n")
    for start in range(0, len(images), 20):
        f.write("INSERT INTO bench_IMAGES (imageid, userid, image_data, image_type) VALUES " +
                ",".join("(%d,%d,FROM_BASE64('%s'),%s)" % (i, u, d, quote(t))
                         for i, u, d, t in images[start:start + 20]) + ";\n")
    columns = ("userid, title, notes, amount, price, done, added, photo, title_USEREDIT, "
               "notes_USEREDIT, amount_USEREDIT, price_USEREDIT, done_USEREDIT, "
               "added_USEREDIT, photo_USEREDIT")
    for start in range(0, len(records), 1000):
        rows = []
        for r in records[start:start + 1000]:
            locks = ",".join(r[8])
            rows.append("(%d,%s,%s,%d,%s,%d,%s,%d,%s)" % (
                r[0], quote(r[1]), quote(r[2]), r[3], r[4], 1 if r[5] == "Yes" else 0,
                quote(r[6]), r[7], locks))
        f.write("INSERT INTO bench (%s) VALUES %s;\n" % (columns, ",".join(rows)))
    f.write("COMMIT;\n")
