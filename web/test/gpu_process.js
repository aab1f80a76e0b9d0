// Chromium's GPU process as the tests watch it: among the descendants of the
// browser's process, its resident bytes and the processor seconds it used.
'use strict';
const {execFileSync} = require('child_process');
const fs = require('fs');

function gpuProcess(browserPid) {
  let table;
  try {
    table = execFileSync('ps', ['-e', '-o', 'pid=,ppid=,rss=,args='], {encoding: 'utf8'});
  } catch {
    return {bytes: 0, seconds: 0};
  }
  const rows = table.trim().split('\n').map((line) => {
    const [pid, ppid, rss, ...args] = line.trim().split(/\s+/);
    return {pid: Number(pid), ppid: Number(ppid), rss: Number(rss) * 1024, args: args.join(' ')};
  });
  const family = new Set([browserPid]);
  for (let grown = true; grown;) {
    grown = false;
    for (const row of rows) {
      if (!family.has(row.pid) && family.has(row.ppid)) {
        family.add(row.pid);
        grown = true;
      }
    }
  }
  const gpu = rows.filter((row) => family.has(row.pid) && /--type=gpu-process/.test(row.args));
  let seconds = 0;
  for (const row of gpu) {
    try {
      const fields = fs.readFileSync(`/proc/${row.pid}/stat`, 'utf8').split(') ')[1].split(' ');
      seconds += (Number(fields[11]) + Number(fields[12])) / 100; // utime, stime: 1/100 s
    } catch {
      // gone meanwhile
    }
  }
  return {bytes: gpu.reduce((sum, row) => sum + row.rss, 0), seconds};
}

module.exports = {gpuProcess};
