#!/usr/bin/env python3
"""Differential check of the SD reader and the molfile writer against RDKit.

Usage: rdkit_sdf_check.py SDF_TOOL [SDFILE ...]

Every SD file (by default those shipped with RDKit's data package, gzipped
ones included, and the project's sample file with its salts, charges and
deuterium) is read by SDF_TOOL, which must finish without a crash and stay
in step with the records. For every record that both sides read, the element
counts of the molecular formula (implicit hydrogens included, isotopes counted
with their element) and the total charge must agree with RDKit. Records we
refuse must be refused for a stated reason; records with more atoms than a
connection table holds (63) are expected. Every record we read completely is
written back by our molfile writer and read again by RDKit, which must find
the same formula and charge as in the original record.

Known, explained differences are counted separately and do not fail the check:
  valence  RDKit refuses a record for an impossible valence (it sanitises);
           we read such records and the comparison is skipped.
Exit status 0 on success, 1 on a disagreement, 77 when no file is found.
"""
import collections
import glob
import gzip
import os
import subprocess
import sys
import tempfile

from rdkit import Chem, RDLogger


def rdkit_counts(mol):
    counts = collections.Counter()
    charge = 0
    for atom in mol.GetAtoms():
        counts[atom.GetAtomicNum()] += 1
        counts[1] += atom.GetTotalNumHs()
        charge += atom.GetFormalCharge()
    return {z: n for z, n in counts.items() if n}, charge


def our_counts(entries):
    counts = collections.Counter()
    for e in entries.split():
        z, _mass, n = e.split(":")
        counts[int(z)] += int(n)
    return dict(counts)


def run_tool(tool, path, out_path):
    proc = subprocess.run([tool, path, out_path], capture_output=True, text=True, errors="replace")
    if proc.returncode != 0:
        raise RuntimeError(f"{tool} failed on {path} with status {proc.returncode}: {proc.stderr.strip()}")
    rows = []
    for line in proc.stdout.splitlines():
        n, code, entries, charge, atoms, msg = line.split("\t")
        rows.append((int(n), int(code), entries, int(charge), int(atoms), msg))
    return rows


def rdkit_records(path):
    with open(path, "rb") as f:
        supplier = Chem.ForwardSDMolSupplier(f, sanitize=True, removeHs=False)
        return [m for m in supplier]


def main():
    tool = sys.argv[1]
    files = sys.argv[2:] or sorted(
        glob.glob("/usr/share/RDKit/**/*.sdf", recursive=True) + glob.glob("/usr/share/RDKit/**/*.sdf.gz", recursive=True)
    )
    if not files:
        print("no SD files found")
        return 77
    if not sys.argv[2:]:
        sample = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "data", "sample.sdf")
        if os.path.exists(sample):
            files.append(sample)
    if not files:
        print("no SD files found")
        return 77
    RDLogger.DisableLog("rdApp.*")
    stats = collections.Counter()
    failures = []
    reasons = collections.Counter()
    with tempfile.TemporaryDirectory() as tmp:
        for path in files:
            src = path
            if path.endswith(".gz"):
                src = os.path.join(tmp, os.path.basename(path)[:-3])
                with gzip.open(path, "rb") as fin, open(src, "wb") as fout:
                    fout.write(fin.read())
            out_path = os.path.join(tmp, "written.sdf")
            rows = run_tool(tool, src, out_path)
            reference = rdkit_records(src)
            if len(rows) != len(reference):
                failures.append(f"{path}: {len(rows)} records read, RDKit finds {len(reference)}")
                continue
            expected = {}
            for (n, code, entries, charge, atoms, msg), mol in zip(rows, reference):
                stats["records"] += 1
                if code == 2:
                    key = "more than 63 atoms" if "at most 63" in msg else msg
                    reasons[key] += 1
                    if "at most 63" not in msg:
                        failures.append(f"{path} record {n}: not read: {msg}")
                    continue
                if code == 1:
                    reasons["doubtful: " + msg] += 1
                if mol is None:
                    stats["valence"] += 1
                    continue
                ref_counts, ref_charge = rdkit_counts(mol)
                expected[n] = (ref_counts, ref_charge)
                mine = our_counts(entries)
                stats["compared"] += 1
                if mine != ref_counts or charge != ref_charge:
                    failures.append(f"{path} record {n}: ours {mine} charge {charge}, RDKit {ref_counts} charge {ref_charge}")
            # Our molfiles read back by RDKit.
            with open(out_path, "rb") as f:
                for mol in Chem.ForwardSDMolSupplier(f, sanitize=True, removeHs=False):
                    stats["written"] += 1
                    if mol is None:
                        failures.append(f"{path}: RDKit cannot read a record we wrote")
                        continue
                    n = int(mol.GetProp("PYX_INDEX"))
                    if n not in expected:
                        continue
                    stats["written compared"] += 1
                    if rdkit_counts(mol) != expected[n]:
                        failures.append(f"{path} record {n}: written back as {rdkit_counts(mol)}, original {expected[n]}")
    print(
        f"{len(files)} files, {stats['records']} records: {stats['compared']} compared with RDKit, "
        f"{stats['valence']} refused by RDKit's valence check; {stats['written']} written back, "
        f"{stats['written compared']} compared"
    )
    for reason, n in sorted(reasons.items()):
        print(f"  {n:5d} {reason}")
    for f in failures[:40]:
        print("FAIL", f)
    if failures:
        print(f"{len(failures)} disagreements")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
