// Runs a file of SQL statements (one per line group, each ending with ";" at the end of a line)
// in an in-memory DuckDB on one thread, from the file's folder, and prints the first value of the
// last statement's result.
import { DuckDBInstance } from '@duckdb/node-api';
import { readFileSync } from 'node:fs';
import { dirname, resolve } from 'node:path';

const file = resolve(process.argv[2]);
process.chdir(dirname(file));
const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const connection = await instance.connect();
let last = null;
for (const statement of readFileSync(file, 'utf8').split(/;\s*\n/)) {
    if (statement.trim() !== '') last = await connection.runAndReadAll(statement);
}
if (last !== null) console.log(String(last.getRows()[0][0]));
