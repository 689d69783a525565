// Prints a .mdb file as JSON through mdb-reader, an independent reader used as
// an oracle by the Jet engine tests:
//   node mdb_reader_dump.mjs FILE [--system]
// {"tables":[{"name":..,"columns":[{"name","type","size"}],"rowCount":n,"rows":[[..]]}]}
// Values: null, true/false, numbers, text; dates as "YYYY-MM-DD HH:MM:SS" (UTC);
// binary as {"bytes": length}.
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const [file, flag] = process.argv.slice(2);
if (!file) {
  console.error("usage: node mdb_reader_dump.mjs FILE [--system]");
  process.exit(2);
}
const reader = new MDBReader(readFileSync(file));
const names = reader.getTableNames({ normalTables: true, systemTables: flag === "--system", linkedTables: false });

function value(v) {
  if (v === null || v === undefined) return null;
  if (v instanceof Date) return v.toISOString().replace("T", " ").replace(/\.\d+Z$/, "");
  if (Buffer.isBuffer(v) || v instanceof Uint8Array) return { bytes: v.length };
  if (typeof v === "bigint") return v.toString();
  return v;
}

const tables = names.map((name) => {
  const table = reader.getTable(name);
  const columns = table.getColumns().map((c) => ({ name: c.name, type: c.type, size: c.size }));
  const rows = table.getData().map((row) => columns.map((c) => value(row[c.name])));
  return { name, columns, rowCount: table.rowCount, rows };
});
process.stdout.write(JSON.stringify({ tables }));
