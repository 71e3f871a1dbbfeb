"""Prints the totals of the fault suites' counts (one JSON object per line), if there are any."""

import json
import pathlib
import sys

path = pathlib.Path(sys.argv[1])
if path.exists():
    totals = {"kills": 0, "files_checked": 0, "faults_injected": 0, "lost": 0}
    for line in path.read_text(encoding="utf-8").splitlines():
        entry = json.loads(line)
        for key in totals:
            totals[key] += entry[key]
    verdict = "nothing was lost" if totals["lost"] == 0 else f"{totals['lost']} files LOST"
    print(f"faults: {totals['kills']} kills, {totals['files_checked']} files checked, "
          f"{totals['faults_injected']} faults injected; {verdict}")
