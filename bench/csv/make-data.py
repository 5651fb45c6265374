#!/usr/bin/python3
"""Writes the same records as a CSV spreadsheet and as a records file.

make-data.py FOLDER RECORDS LOCALPATH URL SERVER DB USER PASSWORD FTP FTPUSER FTPPASSWORD

FOLDER receives project.json (a site without members), records.txt and an
empty images.txt as a download writes them, and records.csv: the same rows
as a spreadsheet program saves them (a header of field names, ISO dates,
TRUE/FALSE, quoted values where needed), with a picture file for every
250th row in pictures/ and the same pictures in images.txt.
"""
import base64
import csv
import json
import os
import random
import sys

folder, count, local, url, server, db, user, password, ftp, ftpuser, ftppassword = sys.argv[1:]
count = int(count)
os.makedirs(os.path.join(folder, "pictures"), exist_ok=True)


def field(column, type_, name, input_type="Text"):
    f = {"FieldName": column, "FieldName2": column + "2", "FieldType": type_,
         "InputType": input_type, "Name": name, "MaxLength": 60, "TextLength": 30,
         "Searchable": True, "Visible": True, "Editable": True}
    if input_type == "Date & time":
        f["DateTimeFormat"] = "DD/MM/YYYY hh:mm:ss"
    return f


fields = [field("title", "Text", "Title"), field("notes", "Text", "Notes"),
          field("amount", "Integer", "Count"), field("price", "Real number", "Price"),
          field("done", "Yes/No", "Done", "Checkbox"),
          field("added", "Date & time", "Added", "Date & time"),
          field("photo", "Image", "Photo", "Image")]
project = {"DbName": "bench", "Settings": {
    "TableName": "bench", "DatabaseDisplayName": "Bench", "AdminPassword": "x",
    "LocalPath": local, "URL": url,
    "PHPPath": "bench/", "Server": ftp, "User": ftpuser, "Password": ftppassword,
    "DatabaseServer": server, "DatabaseName": db, "DatabaseUser": user,
    "DatabasePassword": password}, "Fields": fields}
with open(os.path.join(folder, "project.json"), "w") as f:
    json.dump(project, f)

rng = random.Random(7)
records = open(os.path.join(folder, "records.txt"), "w", newline="")
images = open(os.path.join(folder, "images.txt"), "w", newline="")
sheet = open(os.path.join(folder, "records.csv"), "w", newline="", encoding="utf-8-sig")
out = csv.writer(sheet, lineterminator="\r\n")
out.writerow(["Title", "Notes", "Count", "Price", "Done", "Added", "Photo"])
pictures = 0
for i in range(1, count + 1):
    price = (i % 400) / 4
    price = ("%d" % price) if price == int(price) else repr(price)
    done = i % 3 != 0
    stamp = "2024010112%02d%02d" % (i // 60 % 60, i % 60)
    iso = "2024-01-01 12:%s:%s" % (stamp[10:12], stamp[12:14])
    note = "note %d, with a comma" % i if i % 5 else "said \"hello\" %d" % i
    photo, name = "0", ""
    if i % 250 == 0:
        pictures += 1
        data = bytes(rng.getrandbits(8) for _ in range(12000))
        data = b"\x89PNG\r\n\x1a\n" + data
        name = "pictures/%d.png" % i
        with open(os.path.join(folder, name), "wb") as p:
            p.write(data)
        images.write("%d||%s|image/png\r\n" % (pictures, base64.b64encode(data).decode()))
        photo = str(pictures)
    title = "Record %d of the benchmark" % i
    records.write("|".join([title, note, str(i), price, "Yes" if done else "No", stamp, photo])
                  + "\r\n")
    out.writerow([title, note, i, price, "TRUE" if done else "FALSE", iso, name])
