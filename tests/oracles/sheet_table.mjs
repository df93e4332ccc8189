// Reads a tracking sheet as a spreadsheet program would: GBK text, tab-separated, quoted
// fields. Prints the widest row's column count, then each row with its cells joined by "|"
// (line breaks inside a cell written as \r and \n).
import { readFileSync } from "node:fs";
import XLSX from "xlsx";

const path = process.argv[2];
const text = new TextDecoder("gb18030", { fatal: true }).decode(readFileSync(path));
const book = XLSX.read(text, { type: "string", raw: true, FS: "\t" });
const sheet = book.Sheets[book.SheetNames[0]];
const rows = XLSX.utils.sheet_to_json(sheet, { header: 1, raw: true, defval: "" });
const width = Math.max(0, ...rows.map((r) => r.length));
let out = `columns ${width}\n`;
for (const row of rows) {
  out += row.map((cell) => String(cell).replace(/\r/g, "\\r").replace(/\n/g, "\\n")).join("|");
  out += "\n";
}
process.stdout.write(out);
