#!/usr/bin/python3
"""Tables we write, read by code we did not write (dbfread); tables written by python3-dbf, read by ours.

usage: dbfread_check.py <dbftool>
"""
import os
import struct
import subprocess
import sys
import tempfile

import dbf
import dbfread

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)


def fields(table):
    return [(f.name, f.type, f.length, f.decimal_count) for f in table.fields]


def find(folder, name):
    for entry in os.listdir(folder):
        if entry.lower() == name.lower():
            return os.path.join(folder, entry)
    raise FileNotFoundError(name)


def ours_read_by_dbfread(tool, root):
    photo_hex = subprocess.run([tool, "write", root], check=True, capture_output=True, text=True).stdout.strip()
    photo = bytes.fromhex(photo_hex)

    mp = find(os.path.join(root, "mp"), "Base.DBF")
    t = dbfread.DBF(mp, encoding="cp1251", load=True)
    expect_mp = [("ID", "N", 11, 0), ("TYPE_PRIB", "N", 11, 0), ("PRIBOR", "N", 11, 0), ("DATA_IZM", "C", 19, 0),
                 ("NUM_VIDOH", "N", 11, 0), ("IZM", "N", 19, 6), ("STAT", "C", 1, 0), ("NORMA", "N", 19, 6),
                 ("IZM_AIR", "N", 19, 6), ("DATA_POVER", "C", 19, 0), ("MEAS_PLACE", "C", 23, 0), ("OBSL_FAM", "C", 23, 0),
                 ("OBSL_NAME", "C", 23, 0), ("OBSL_PAT", "C", 23, 0), ("OBSL_NAUTO", "C", 23, 0), ("OBSL_PHOTO", "M", 10, 0),
                 ("INSP_FAM", "C", 23, 0), ("INSP_NAME", "C", 23, 0), ("INSP_PAT", "C", 23, 0), ("INSP_DEPR", "C", 23, 0),
                 ("INSP_NUMB", "C", 23, 0), ("SATURDATA", "N", 11, 0), ("TYPERECORD", "N", 11, 0), ("DATA_REC", "C", 19, 0),
                 ("OPER", "C", 19, 0)]
    check(fields(t) == expect_mp, "default_mp fields: %r" % fields(t))
    check(t.dbversion.startswith("dBase IV") or "IV" in t.dbversion, "default_mp version: %r" % t.dbversion)
    check(t.header.language_driver == 0x57, "language driver %r" % t.header.language_driver)
    check(len(t.records) == 3, "default_mp records: %d" % len(t.records))
    r = t.records
    check(r[0]["ID"] == 1 and r[1]["ID"] == 2 and r[2]["ID"] == 3, "ids")
    check(r[0]["OBSL_FAM"] == "ИВАНОВ", "fam 0: %r" % r[0]["OBSL_FAM"])
    check(r[1]["OBSL_FAM"] == "Д'Артаньян-Ёжиков", "fam 1: %r" % r[1]["OBSL_FAM"])
    check(r[2]["OBSL_FAM"] in ("", None), "fam 2 blank: %r" % r[2]["OBSL_FAM"])
    check(r[0]["OPER"] == "Оператор №1", "oper: %r" % r[0]["OPER"])
    check(r[1]["IZM"] == 0.123 and r[2]["IZM"] == 1.0, "izm: %r %r" % (r[1]["IZM"], r[2]["IZM"]))
    check(r[2]["NUM_VIDOH"] == -2147483647, "num_vidoh: %r" % r[2]["NUM_VIDOH"])
    check(r[0]["NORMA"] == 0.15, "norma: %r" % r[0]["NORMA"])
    check(r[0]["IZM_AIR"] is None, "blank number is None: %r" % r[0]["IZM_AIR"])
    check(r[1]["DATA_IZM"] == "2010.12.21 10:22:33", "date: %r" % r[1]["DATA_IZM"])
    check(r[2]["TYPERECORD"] == 2, "typerecord")
    check(not r[0]["OBSL_PHOTO"], "no photo: %r" % r[0]["OBSL_PHOTO"])

    # The photo: dbfread gives the memo's block number in raw mode; the entry there holds the exact bytes.
    raw = dbfread.DBF(mp, raw=True, load=True).records
    block = int(raw[1]["OBSL_PHOTO"].strip())
    with open(find(os.path.join(root, "mp"), "Base.DBT"), "rb") as f:
        dbt = f.read()
    check(struct.unpack("<H", dbt[20:22])[0] == 512, "memo block size")
    entry = dbt[block * 512:]
    check(entry[:4] == b"\xff\xff\x08\x00", "memo entry mark %r" % entry[:4])
    length = struct.unpack("<I", entry[4:8])[0]
    check(length == len(photo) + 8, "memo length %d for %d bytes" % (length, len(photo)))
    check(entry[8:8 + len(photo)] == photo, "photo bytes differ")
    check(raw[0]["OBSL_PHOTO"].strip() == b"", "a row without a photo points nowhere")

    d = dbfread.DBF(find(os.path.join(root, "default"), "Base.DBF"), encoding="cp1251", load=True)
    check([f[0] for f in fields(d)] == ["ID", "PRIBOR", "DATA_IZM", "OBSL_FAM", "OBSL_NAME", "OBSL_PAT", "IZM", "STAT", "OPER",
                                        "NUM_VIDOH", "PAGE_FOOT"], "default fields: %r" % fields(d))
    check(d.dbversion.startswith("FoxBASE+/Dbase III") or "III" in d.dbversion, "default version %r" % d.dbversion)
    check(fields(d)[3] == ("OBSL_FAM", "C", 20, 0), "default OBSL_FAM width")
    check([x["PAGE_FOOT"] for x in d.records] == ["0", "0", "1"], "page foot")
    check(d.records[1]["OBSL_FAM"] == "Д'Артаньян-Ёжиков", "default fam")

    info = dbfread.DBF(find(os.path.join(root, "mp"), "InfoPrib.DBF"), encoding="cp1251", load=True)
    check(len(info.fields) == 15, "InfoPrib fields")
    row = info.records[0]
    check(row["PRIBOR"] == 4294967295 and row["PRIBPROT"] == 4000000000, "u32 values: %r %r" % (row["PRIBOR"], row["PRIBPROT"]))
    check(row["NETNUMBER"] == -1 and row["W_WIDOH"] == 65535, "small values")
    check(abs(row["ACCURACY"] - 0.05) < 1e-6 and row["NORMA"] == 0.15, "floats %r %r" % (row["ACCURACY"], row["NORMA"]))
    check(row["DATECONST"] == "2009.03.15 00:00:00", "date text")

    # Under a Russian locale as under C: numbers are written with '.' only.
    for path in (mp, find(os.path.join(root, "mp"), "InfoPrib.DBF")):
        with open(path, "rb") as f:
            data = f.read()
        check(b"0,123" not in data and b"0,15" not in data, "comma in numbers of %s" % path)


def python_dbf_read_by_ours(tool, root):
    path = os.path.join(root, "OLDBASE.DBF")
    t = dbf.Table(path, "ID N(11,0); PRIBOR N(11,0); DATA_IZM C(19); OBSL_FAM C(20); IZM N(19,6); STAT C(1); OK L",
                  dbf_type="db3", codepage="cp1251")
    t.open(dbf.READ_WRITE)
    t.append((1, 17, "2009.05.12 10:22:33", "ПЕТРОВ", 0.123, "1", True))
    t.append((2, 4294967295, "2009.05.13 00:00:00", "", -1.5, "0", False))
    t.append((3, None, None, "ёжиков", None, None, None))
    t.close()
    out = subprocess.run([tool, "dump", path], check=True, capture_output=True, text=True).stdout.splitlines()
    expect = ["1|17|2009.05.12 10:22:33|ПЕТРОВ|0.123|1|T",
              "2|4294967295|2009.05.13 00:00:00|<null>|-1.5|0|F"]
    check(out[:2] == expect, "python3-dbf table read by ours: %r" % out)
    check(len(out) == 3 and out[2].startswith("3|<null>|<null>|ёжиков|<null>|<null>"), "row 3: %r" % out[2:])


def main():
    tool = sys.argv[1]
    with tempfile.TemporaryDirectory() as root:
        ours_read_by_dbfread(tool, root)
    with tempfile.TemporaryDirectory() as root:
        python_dbf_read_by_ours(tool, root)
    for f in failures:
        print("FAIL:", f)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
