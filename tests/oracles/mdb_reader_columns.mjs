#!/usr/bin/env node
// Test oracle: the columns of tables as the npm package mdb-reader sees them.
//   node tests/oracles/mdb_reader_columns.mjs [--password P] FILE TABLE...
// prints "TABLE: name type[ size][ autonumber], ..." one table a line; text sizes are
// in bytes, as the file stores them.
import MDBReader from "mdb-reader";
import { readFileSync } from "node:fs";

const args = process.argv.slice(2);
let password;
if (args[0] === "--password") {
    password = args[1];
    args.splice(0, 2);
}
const [file, ...tables] = args;
const reader = new MDBReader(readFileSync(file), password === undefined ? {} : { password });
for (const name of tables) {
    const columns = reader.getTable(name).getColumns().map((c) => {
        let text = `${c.name} ${c.type}`;
        if (c.type === "text") text += ` ${c.size}`;
        if (c.autoLong) text += " autonumber";
        return text;
    });
    console.log(`${name}: ${columns.join(", ")}`);
}
