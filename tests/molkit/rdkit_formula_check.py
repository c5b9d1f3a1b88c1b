#!/usr/bin/env python3
"""Differential check of molecular formulas and weights against RDKit.

Usage: rdkit_formula_check.py MOLFORM_TOOL [SDFILE ...]

For every molecule of the SD files (by default those shipped with RDKit's data
package) the molecular formula is written as formula text ("C8 H10 N4 O2",
labelled atoms as "13C"), handed to MOLFORM_TOOL, and the entries, the chemical
weight, the exact weight and the nominal weight are compared with RDKit.

The two programs use different element tables on purpose, so a plain
comparison would differ; every difference is split into known causes:
  table    our exact masses / chemical weights differ from RDKit's per element
           (rounded established values, older standard weights)
  isotope  labelled atoms: our chemical and exact weights ignore the mass number
  charge   RDKit subtracts the electron mass for charged molecules
What remains after these (the residual) must stay below 1e-6 u; the entries and
the nominal weight must agree exactly. Exit status 0 on success, 1 on a
disagreement, 77 when no molecule could be read.
"""
import collections
import glob
import subprocess
import sys

from rdkit import Chem, RDLogger
from rdkit.Chem import Descriptors

ELECTRON_MASS = 0.000548579909
RESIDUAL_LIMIT = 1e-6


def element_table(tool):
    out = subprocess.run([tool, "--elements"], check=True, capture_output=True, text=True).stdout
    table = {}
    for line in out.splitlines():
        z, sym, nominal, exact, chem = line.split("\t")
        table[int(z)] = (sym, int(nominal), float(exact), float(chem))
    return table


def molecule_counts(mol):
    """Counts by (Z, mass number or 0 for unlabelled), implicit hydrogens included."""
    counts = collections.Counter()
    for atom in mol.GetAtoms():
        counts[(atom.GetAtomicNum(), atom.GetIsotope())] += 1
        nh = atom.GetTotalNumHs()
        if nh:
            counts[(1, 0)] += nh
    return counts


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    tool = sys.argv[1]
    files = sys.argv[2:] or sorted(glob.glob("/usr/share/RDKit/**/*.sdf", recursive=True))
    RDLogger.DisableLog("rdApp.*")
    pt = Chem.GetPeriodicTable()
    table = element_table(tool)

    # Element table against RDKit's.
    print("Element table against RDKit (differences above 1e-6 u in the exact mass, 0.0005 in the weight):")
    for z, (sym, nominal, exact, chem) in sorted(table.items()):
        ref_exact = pt.GetMassForIsotope(z, nominal)
        ref_chem = pt.GetAtomicWeight(z)
        notes = []
        if ref_exact > 0 and abs(exact - ref_exact) > 1e-6:
            notes.append(f"exact {exact:.7f} vs {ref_exact:.7f} ({exact - ref_exact:+.1e})")
        if chem > 0 and abs(chem - ref_chem) > 0.0005:
            notes.append(f"weight {chem} vs {ref_chem} ({chem - ref_chem:+.4f})")
        if chem > 0 and abs(chem - ref_chem) > 0.05:
            notes.append("WEIGHT BEYOND 0.05")
        if notes:
            print(f"  {z:3d} {sym:2s} " + "; ".join(notes))

    mols = []
    for path in files:
        for mol in Chem.SDMolSupplier(path, sanitize=True, removeHs=False):
            if mol is not None and mol.GetNumAtoms() > 0:
                mols.append((path, mol))
    if not mols:
        print("no molecules read")
        return 77

    texts, expected = [], []
    skipped = collections.Counter()
    for path, mol in mols:
        counts = molecule_counts(mol)
        if any(z == 0 or z > 103 for z, _ in counts):
            skipped["query or unknown atoms"] += 1
            continue
        if len(counts) > 20:
            skipped["more than 20 distinct entries"] += 1
            continue
        parts = []
        for (z, iso), n in sorted(counts.items()):
            parts.append(f"{iso if iso else ''}{table[z][0]}{n}")
        texts.append(" ".join(parts))
        expected.append((path, mol, counts))

    out = subprocess.run([tool], input="\n".join(texts) + "\n", check=True, capture_output=True,
                         text=True).stdout.splitlines()
    assert len(out) == len(texts), "the tool answered a different number of lines"

    failures = []
    causes = collections.Counter()
    worst = {"exact": 0.0, "chem": 0.0}
    for text, line, (path, mol, counts) in zip(texts, out, expected):
        ok, entries, chem, exact, nominal = line.split("\t")
        name = mol.GetProp("_Name") if mol.HasProp("_Name") else "?"
        where = f"{path.split('/')[-1]}: {name}: {text}"
        got = collections.Counter()
        for e in entries.split():
            z, m, n = (int(v) for v in e.split(":"))
            got[(z, m)] += n
        want = collections.Counter()
        for (z, iso), n in counts.items():
            want[(z, iso if iso else table[z][1])] += n
        if ok != "1" or got != want:
            failures.append(f"formula differs: {where}: got {entries!r}")
            continue
        if int(nominal) != sum(m * n for (z, m), n in want.items()):
            failures.append(f"nominal weight differs: {where}: {nominal}")

        ref_exact = Descriptors.ExactMolWt(mol)
        ref_chem = Descriptors.MolWt(mol)
        table_exact = table_chem = iso_exact = iso_chem = 0.0
        for (z, iso), n in counts.items():
            sym, nom, ex, ch = table[z]
            table_exact += n * (ex - pt.GetMassForIsotope(z, nom))
            table_chem += n * (ch - pt.GetAtomicWeight(z))
            if iso:
                iso_exact += n * (pt.GetMassForIsotope(z, nom) - pt.GetMassForIsotope(z, iso))
                iso_chem += n * (pt.GetAtomicWeight(z) - pt.GetMassForIsotope(z, iso))
        charge = Chem.GetFormalCharge(mol)
        charge_exact = charge * ELECTRON_MASS
        d_exact = float(exact) - ref_exact
        d_chem = float(chem) - ref_chem
        res_exact = d_exact - table_exact - iso_exact - charge_exact
        res_chem = d_chem - table_chem - iso_chem
        worst["exact"] = max(worst["exact"], abs(res_exact))
        worst["chem"] = max(worst["chem"], abs(res_chem))
        if abs(d_exact) > 1e-5:
            for cause, v in (("table", table_exact), ("isotope", iso_exact), ("charge", charge_exact)):
                if abs(v) > 1e-7:
                    causes["exact mass beyond 1e-5 u, " + cause] += 1
        if abs(res_exact) > RESIDUAL_LIMIT:
            failures.append(f"exact mass residual {res_exact:+.2e}: {where}")
        if abs(res_chem) > RESIDUAL_LIMIT:
            failures.append(f"chemical weight residual {res_chem:+.2e}: {where}")

    print(f"{len(texts)} molecules compared from {len(files)} files; skipped: {dict(skipped)}")
    print(f"largest unexplained difference: exact {worst['exact']:.1e} u, chemical {worst['chem']:.1e} u")
    for cause, n in sorted(causes.items()):
        print(f"  {n} molecules: {cause}")
    for f in failures:
        print("DISAGREEMENT " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
