#!/usr/bin/env python3
"""Level and power of the study's answer on simulated studies.

Each study: 10 demes of 1,000, 30 sampled, 20 stepwise microsatellites (the
MIC set) and, for each of three MHC migration rates (m: neutral, m/4:
divergent, 4m: balancing), four unlinked 40-allele MHC-like loci
(bench/coalsim). The MHC is given as 1, 2 and 4 loci of two copies each;
each locus's answer and the joint one are counted (p < 0.05, by direction).
Two neutral genes pooled as four copies of one gene are run as they come
(the test is left out) and with --polyploid (tested as one gene).

    python3 bench/calibrate.py build/gstboot island 100
    python3 bench/calibrate.py build/gstboot stepping 100

Needs a C++ compiler for bench/coalsim (built into build/coalsim once).
"""
import collections
import csv
import os
import subprocess
import sys
import tempfile

exe, model, studies = os.path.abspath(sys.argv[1]), sys.argv[2], int(sys.argv[3])
first = int(sys.argv[4]) if len(sys.argv) > 4 else 1
root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sim = os.path.join(root, 'build', 'coalsim')
if not os.path.exists(sim):
    subprocess.run(['c++', '-O2', '-o', sim, os.path.join(root, 'bench', 'coalsim', 'coalsim.cpp')], check=True)
m = 0.0025


def genes(path):
    return [line for line in open(path).read().splitlines()[1:] if ',' in line]


def table(files, header):
    """The GENEPOP loci side by side as one table, two columns per locus."""
    loci = [genes(f) for f in files]
    out = [header]
    for i in range(len(loci[0])):
        row = [loci[0][i].split(',')[0], 'i%d' % i]
        for g in loci:
            a = g[i].split(',')[1].strip()
            row += [a[:3], a[3:]]
        out.append(','.join(row))
    return '\n'.join(out) + '\n'


def number(text):
    try:
        return float(text)
    except ValueError:
        return float('nan')


def run(d, s, args):
    r = subprocess.run([exe, '--seed', str(s), '--mhc', 'mhc.csv', '--mic', d + '/st_mic.gen', '--threads', '2',
                        '--output', 'o.txt'] + args, cwd=d, capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit(r.stderr)


count = collections.Counter()
for s in range(first, first + studies):
    with tempfile.TemporaryDirectory() as d:
        subprocess.run([sim, str(s), d + '/st', '10', '1000', '30', model, str(m), '20', '1e-4', '1e-3', '4', '40',
                        '5e-4', str(m), str(m / 4), str(4 * m)], check=True, capture_output=True)
        for kind, which in (('neutral', 0), ('divergent', 1), ('balancing', 2)):
            for k in (1, 2, 4):
                files = [f'{d}/st_mhc_{which}_{i}.gen' for i in range(k)]
                header = 'population,individual,' + ','.join(f'M{i}_1,M{i}_2' for i in range(k))
                open(d + '/mhc.csv', 'w').write(table(files, header))
                run(d, s, ['--study', 's.tsv'])
                for row in csv.DictReader(open(d + '/s.tsv'), delimiter='\t'):
                    if row['result'] != 'neutral_locus':
                        continue
                    key = (kind, k, 'joint' if k == 1 or row['locus'] == 'joint' else 'each')
                    count[key + ('tests',)] += 1
                    if number(row['p']) < 0.05:
                        count[key + ('less' if number(row['value']) < 0 else 'more',)] += 1
        files = [f'{d}/st_mhc_0_{i}.gen' for i in range(2)]
        open(d + '/mhc.csv', 'w').write(table(files, 'population,individual,c1,c2,c3,c4'))
        for extra in ([], ['--polyploid']):
            run(d, s, ['--table', 't.tsv'] + extra)
            tag = 'pooled' + (' as one gene' if extra else '')
            for row in csv.DictReader(open(d + '/t.tsv'), delimiter='\t'):
                count[(tag, 'pairs')] += 1
                if number(row['neutral_p']) < 0.05 and number(row['neutral_z']) < 0:
                    count[(tag, 'called less')] += 1
for key in sorted(count, key=str):
    print(*key, count[key], sep='\t')
