#!/usr/bin/python3
"""Reads a SigMF recording as an SDR user's script would (json and numpy):
prints the metadata the test checks and the samples' mean power, one
"NAME=value" a line."""
import json
import sys

import numpy as np

base = sys.argv[1]
with open(base + ".sigmf-meta") as f:
    meta = json.load(f)
g = meta["global"]
print(f"DATATYPE={g['core:datatype']}")
print(f"RATE={g['core:sample_rate']}")
print(f"VERSION={g['core:version']}")
print(f"EXTENSIONS={','.join(e['name'] for e in g.get('core:extensions', []))}")
print(f"DESCRIPTION={g['core:description']}")
print(f"CAPTURES={len(meta['captures'])}")
print(f"FREQUENCY={meta['captures'][0]['core:frequency']}")
print(f"DATETIME={meta['captures'][0]['core:datetime']}")
print(f"ANNOTATIONS={len(meta['annotations'])}")
print(f"FIRST_ANNOTATION_COUNT={meta['annotations'][0]['core:sample_count']}")
print(f"FIRST_ANNOTATION_COMMENT={meta['annotations'][0].get('core:comment', '')}")
samples = np.fromfile(base + ".sigmf-data", dtype="<c8")
print(f"SAMPLES={len(samples)}")
print(f"POWER_DB={10 * np.log10(np.mean(np.abs(samples) ** 2)):.3f}")
