// Runs a file of SQL statements (one per line group, each ending with ";" at the end of a line)
// in an in-memory DuckDB on one thread, from the file's folder, and prints the first value of the
// last statement's result, then "engine <seconds>": the processor time (user and system) the
// statements took, without the start-up of Node and of the engine.
import { DuckDBInstance } from '@duckdb/node-api';
import { readFileSync } from 'node:fs';
import { dirname, resolve } from 'node:path';

const file = resolve(process.argv[2]);
process.chdir(dirname(file));
const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const connection = await instance.connect();
const statements = readFileSync(file, 'utf8').split(/;\s*\n/);
const start = process.cpuUsage();
let last = null;
for (const statement of statements) {
    if (statement.trim() !== '') last = await connection.runAndReadAll(statement);
}
const used = process.cpuUsage(start);
if (last !== null) console.log(String(last.getRows()[0][0]));
console.log('engine ' + ((used.user + used.system) / 1e6).toFixed(3));
