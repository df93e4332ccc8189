#!/usr/bin/env node
// Test oracle: reads a Jet 4 file with the npm package mdb-reader and prints
// it in the exact shape mdbtools prints it, so that tests can hold our own
// engine (and the files it writes) against two independent readers with one
// plain text comparison.
//
//   node tests/oracles/mdb_reader_export.mjs [--password P] FILE
//       user table names, one a line              (like `mdb-tables -1 FILE`)
//   node tests/oracles/mdb_reader_export.mjs [--password P] FILE TABLE
//       the table as CSV                          (like `mdb-export FILE TABLE`)
//   node tests/oracles/mdb_reader_export.mjs --password-of FILE
//       the database password mdb-reader finds, empty line when none
//
// What mdb-export 1.0 prints, and so what this prints:
//   - header row of column names in column-number order, unquoted;
//   - text, memo, date/time, GUID and binary fields in double quotes with
//     embedded double quotes doubled; numbers unquoted;
//   - a null field and a zero-length text field both as an empty field
//     (mdb-export cannot tell them apart: it tests the converted length);
//   - booleans as 1/0; byte/integer/long as decimal integers;
//   - single as printf "%.8g", double as printf "%.16g" (glibc: exact binary
//     value, ties to even), currency with four decimals, decimal with its
//     column's scale;
//   - date/time as strftime "%x %X" in the C locale ("%m/%d/%y %H:%M:%S"),
//     seconds rounded half up, an hour of 24 left as is (mdbtools does not
//     carry into the day), and "01/00/00 00:00:00" for values before
//     1899-12-30 or past day 1e6, which mdbtools leaves unconverted;
//   - GUIDs upper case in braces;
//   - text is converted from UCS-2, so every UTF-16 surrogate (any character
//     outside the BMP) comes out as "?", a NUL ends the field, and a field
//     stops after 199999 bytes of UTF-8 (mdb-export's bind buffer);
//   - binary (fixed "Binary" columns) up to the first zero byte, OLE in full,
//     raw bytes.
//
// Where the two readers cannot be made to agree, and why:
//   - row order is mdb-reader's (data pages in usage-map order, rows in slot
//     order); mdb-export walks the same pages the same way and agreed on
//     every fixture, but neither library promises it;
//   - date/time: mdb-reader hands out a JS Date rounded to the millisecond,
//     mdbtools rounds the raw double to the second. The two can differ only
//     for a stored value at (or within half a millisecond of) a half second,
//     or a hair below midnight (mdbtools prints "24:00:00" of the day
//     before). Access and our engine store whole seconds, which come out the
//     same in both (checked on 50,000 random whole-second values);
//   - a NaN single/double prints "nan"; mdbtools prints "-nan" when the sign
//     bit is set, which a JS number does not keep.
//
// A test oracle only: nothing here is product code.

import MDBReader from "mdb-reader";
import { readFileSync, writeSync } from "node:fs";

const USAGE =
    "usage: mdb_reader_export.mjs [--password P] FILE [TABLE]\n" +
    "       mdb_reader_export.mjs --password-of FILE\n";

// mdb-export binds every column into a buffer of this size, terminator included.
const BIND_SIZE = 200000;

function fail(message) {
    writeSync(2, `mdb_reader_export: ${message}\n`);
    process.exit(1);
}

function parseArgs(argv) {
    const opts = { password: undefined, passwordOf: false, positional: [] };
    for (let i = 0; i < argv.length; i++) {
        const a = argv[i];
        if (a === "--password") {
            if (i + 1 >= argv.length) fail("--password needs a value");
            opts.password = argv[++i];
        } else if (a.startsWith("--password=")) {
            opts.password = a.slice("--password=".length);
        } else if (a === "--password-of") {
            opts.passwordOf = true;
        } else if (a === "-h" || a === "--help") {
            writeSync(1, USAGE);
            process.exit(0);
        } else if (a === "--") {
            opts.positional.push(...argv.slice(i + 1));
            break;
        } else if (a.startsWith("--")) {
            fail(`unknown option ${a}\n${USAGE}`);
        } else {
            opts.positional.push(a);
        }
    }
    const n = opts.positional.length;
    if (opts.passwordOf ? n !== 1 : n < 1 || n > 2) fail(`wrong arguments\n${USAGE}`);
    return opts;
}

// mdbtools converts UCS-2 with iconv, which refuses surrogates one code unit
// at a time and writes "?" for each.
function ucs2View(s) {
    return s.replace(/[\uD800-\uDFFF]/g, "?");
}

// Text as mdb-export holds it: cut at a NUL, then at the bind buffer's size
// (iconv stops before a character that would not fit whole).
function boundText(s) {
    let t = ucs2View(s);
    const nul = t.indexOf("\u0000");
    if (nul >= 0) t = t.slice(0, nul);
    let buf = Buffer.from(t, "utf8");
    if (buf.length > BIND_SIZE - 1) {
        let end = BIND_SIZE - 1;
        while (end > 0 && (buf[end] & 0xc0) === 0x80) end--;
        buf = buf.subarray(0, end);
    }
    return buf;
}

// printf("%.<precision>g", x) as glibc prints it: from the exact binary
// value, rounding half to even.
function formatG(x, precision) {
    if (Number.isNaN(x)) return "nan";
    if (x === Infinity) return "inf";
    if (x === -Infinity) return "-inf";
    const negative = x < 0 || Object.is(x, -0);
    const sign = negative ? "-" : "";
    if (x === 0) return sign + "0";

    // x = mantissa * 2^exp2 exactly.
    const view = new DataView(new ArrayBuffer(8));
    view.setFloat64(0, Math.abs(x));
    const bits = view.getBigUint64(0);
    const biased = Number((bits >> 52n) & 0x7ffn);
    let mantissa = bits & ((1n << 52n) - 1n);
    let exp2;
    if (biased === 0) {
        exp2 = -1074;
    } else {
        mantissa |= 1n << 52n;
        exp2 = biased - 1075;
    }
    // x = digits * 10^-shift exactly.
    let digits;
    let shift;
    if (exp2 >= 0) {
        digits = mantissa << BigInt(exp2);
        shift = 0;
    } else {
        digits = mantissa * 5n ** BigInt(-exp2);
        shift = -exp2;
    }
    let str = digits.toString();
    let exp10 = str.length - 1 - shift;
    if (str.length > precision) {
        const drop = str.length - precision;
        const unit = 10n ** BigInt(drop);
        let q = digits / unit;
        const r = digits % unit;
        const half = unit / 2n;
        if (r > half || (r === half && (q & 1n) === 1n)) q += 1n;
        str = q.toString();
        if (str.length > precision) {
            str = str.slice(0, precision);
            exp10 += 1;
        }
    } else {
        str = str.padEnd(precision, "0");
    }

    const trim = (s) => s.replace(/0+$/, "");
    if (exp10 < -4 || exp10 >= precision) {
        const frac = trim(str.slice(1));
        const e = Math.abs(exp10).toString().padStart(2, "0");
        return `${sign}${str[0]}${frac ? "." + frac : ""}e${exp10 < 0 ? "-" : "+"}${e}`;
    }
    if (exp10 >= 0) {
        const frac = trim(str.slice(exp10 + 1));
        return `${sign}${str.slice(0, exp10 + 1)}${frac ? "." + frac : ""}`;
    }
    const frac = trim("0".repeat(-exp10 - 1) + str);
    return `${sign}0.${frac}`;
}

const MS_PER_DAY = 86400000;
const EPOCH_OFFSET_DAYS = 25569; // 1899-12-30 to 1970-01-01

// strftime("%x %X") of mdbtools' own day/second split, in the C locale.
function formatDate(date) {
    const ms = date.getTime();
    const total = ms + EPOCH_OFFSET_DAYS * MS_PER_DAY; // ms since 1899-12-30
    if (!Number.isFinite(total) || total < 0 || total > 1e6 * MS_PER_DAY) {
        // mdbtools leaves its struct tm zeroed for these.
        return "01/00/00 00:00:00";
    }
    const day = Math.floor(total / MS_PER_DAY);
    const seconds = Math.floor((total - day * MS_PER_DAY + 500) / 1000);
    const d = new Date((day - EPOCH_OFFSET_DAYS) * MS_PER_DAY);
    const two = (n) => String(n).padStart(2, "0");
    const hour = Math.floor(seconds / 3600);
    const minute = Math.floor(seconds / 60) % 60;
    const second = seconds % 60;
    return (
        `${two(d.getUTCMonth() + 1)}/${two(d.getUTCDate())}/${two(d.getUTCFullYear() % 100)} ` +
        `${two(hour)}:${two(minute)}:${two(second)}`
    );
}

const QUOTE = 0x22;

function quoted(bytes) {
    const out = [QUOTE];
    for (const b of bytes) {
        out.push(b);
        if (b === QUOTE) out.push(QUOTE);
    }
    out.push(QUOTE);
    return Buffer.from(out);
}

// One field as mdb-export prints it.
function formatField(value, column) {
    if (value === null || value === undefined) return Buffer.alloc(0);
    switch (column.type) {
        case "boolean":
            return Buffer.from(value ? "1" : "0");
        case "byte":
        case "integer":
        case "long":
            return Buffer.from(String(value));
        case "currency":
        case "numeric":
            return Buffer.from(value);
        case "float":
            return Buffer.from(formatG(value, 8));
        case "double":
            return Buffer.from(formatG(value, 16));
        case "text":
        case "memo": {
            const bytes = boundText(value);
            return bytes.length === 0 ? bytes : quoted(bytes);
        }
        case "datetime":
            return quoted(Buffer.from(formatDate(value)));
        case "repid":
            return quoted(Buffer.from(`{${value.toUpperCase()}}`));
        case "binary": {
            // Bound as a C string: it ends at the first zero byte.
            const zero = value.indexOf(0);
            const bytes = zero >= 0 ? value.subarray(0, zero) : value;
            return bytes.length === 0 ? bytes : quoted(bytes);
        }
        case "ole":
            return value.length === 0 ? Buffer.alloc(0) : quoted(value);
        default:
            fail(`column ${column.name}: type ${column.type} is not a Jet 4 type this oracle knows`);
    }
    return Buffer.alloc(0);
}

function exportTable(reader, name) {
    let table;
    try {
        table = reader.getTable(name);
    } catch {
        fail(`Table ${name} does not exist in this database.`);
    }
    const columns = table.getColumns();
    const chunks = [];
    chunks.push(Buffer.from(columns.map((c) => ucs2View(c.name)).join(",") + "\n"));
    const comma = Buffer.from(",");
    const newline = Buffer.from("\n");
    for (const row of table.getData()) {
        columns.forEach((column, i) => {
            if (i > 0) chunks.push(comma);
            chunks.push(formatField(row[column.name], column));
        });
        chunks.push(newline);
    }
    return Buffer.concat(chunks);
}

function main() {
    const opts = parseArgs(process.argv.slice(2));
    const [file, tableName] = opts.positional;
    let buffer;
    try {
        buffer = readFileSync(file);
    } catch (e) {
        fail(`cannot read ${file}: ${e.message}`);
    }
    let reader;
    try {
        reader = new MDBReader(buffer, { password: opts.password });
    } catch (e) {
        fail(`cannot open ${file}: ${e.message}`);
    }

    if (opts.passwordOf) {
        writeSync(1, (reader.getPassword() ?? "") + "\n");
        return;
    }
    if (tableName === undefined) {
        const names = reader.getTableNames();
        writeSync(1, names.map((n) => ucs2View(n) + "\n").join(""));
        return;
    }
    const out = exportTable(reader, tableName);
    let written = 0;
    while (written < out.length) written += writeSync(1, out, written);
}

main();
