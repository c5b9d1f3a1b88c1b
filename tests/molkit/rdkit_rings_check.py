#!/usr/bin/env python3
"""Differential check of rings and substructure search against RDKit.

Usage: rdkit_rings_check.py MOLRINGS_TOOL QUERY_DIR [SDFILE ...]

Besides the given files, the check writes an aromatic copy of them into a
temporary directory: every molecule RDKit can sanitise, written with aromatic
bonds (bond type 4) instead of alternating single and double bonds, so that
the exact mode is also compared on aromatic bonds (the data files hold only
alternating bonds).

MOLRINGS_TOOL reads every record of an SD file (by default those shipped with
RDKit's data package) into a connection table and prints its ring count, the
sizes of its smallest set of smallest rings and, for every query molfile of
QUERY_DIR, the match found with bond types compared and with any bond type.
The same records and queries are read by RDKit and compared:

  ring count   ours (bonds - atoms + connected parts) against the size of
               RDKit's SSSR; must be equal.
  ring sizes   our smallest set of smallest rings against RDKit's SSSR, as
               multisets of ring sizes; must be equal except where our set
               is built differently (see below).
  hits         whether the query occurs, for both match modes; must be equal,
               and the atoms our search marks must be the atom set of one of
               RDKit's matches.

How the two match modes map onto RDKit (the same semantics on both sides):
  - Both sides read the records as written: RDKit without sanitising
    (no kekulisation, no aromaticity perception, hydrogens kept), so a bond
    is single, double, triple or aromatic exactly as the file says, and
    explicit hydrogens are atoms on both sides.
  - A query atom becomes [#Z]: the element only. Our search ignores charge,
    isotope and hydrogen count, and so does [#Z]. The query atoms carry no
    attribute bits, so ring membership is not demanded.
  - Bond types compared: the query bond becomes the SMARTS bond of exactly its
    order ('-' single, '=' double, '#' triple, ':' aromatic); on unsanitised
    molecules these test the bond type as read.
  - Any bond type: the query bond becomes '~'.
  - Both are monomorphisms: query atoms map to distinct atoms, every query
    bond to a bond, and further bonds between matched atoms are allowed.

Known, explained differences in the ring sizes (printed, not failures):
  - cage     our set adds, for every atom, all smallest rings through it that
             are not already listed, so a cage gets all its equivalent
             faces: cubane six four-rings, adamantane four six-rings, where an
             SSSR keeps one ring fewer. Accepted when our sizes equal those
             of RDKit's symmetrised SSSR (the SSSR plus the rings symmetric
             to its members).
  - missed   a ring that is not the smallest ring through any of its atoms
             (fused or bridged systems where every atom of a ring also lies
             in a smaller one) is not found by our per-atom search. Accepted
             when our set has fewer rings than the ring count and all its
             sizes are contained in RDKit's.
Any other difference is a failure. Records our reader refuses (more than 63
atoms, more than 10 bonds at an atom, query bond types) are counted and
skipped. Exit status 0 on success, 1 on a disagreement, 77 when nothing could
be compared.
"""
import collections
import glob
import os
import subprocess
import sys
import tempfile

from rdkit import Chem, RDLogger

EXACT_BOND = {Chem.BondType.SINGLE: "-", Chem.BondType.DOUBLE: "=", Chem.BondType.TRIPLE: "#",
              Chem.BondType.AROMATIC: ":"}
MAX_MATCHES = 100000


def query_smarts(mol, exact):
    """A SMARTS text with the atoms as [#Z] and the bonds exact or '~'."""
    n = mol.GetNumAtoms()
    seen = [False] * n
    children = [[] for _ in range(n)]  # tree bonds to atoms visited from here
    closures = {}                      # ring-closing bond index -> digit

    def bond_text(b):
        return EXACT_BOND[b.GetBondType()] if exact else "~"

    def walk(a, parent_bond):
        seen[a] = True
        for b in mol.GetAtomWithIdx(a).GetBonds():
            o = b.GetOtherAtomIdx(a)
            if b.GetIdx() == parent_bond or b.GetIdx() in closures:
                continue
            if seen[o]:
                closures[b.GetIdx()] = len(closures) + 1
            else:
                children[a].append(b)
                walk(o, b.GetIdx())

    def write(a, out):
        out.append(f"[#{mol.GetAtomWithIdx(a).GetAtomicNum()}]")
        for b in mol.GetAtomWithIdx(a).GetBonds():
            if b.GetIdx() in closures:
                d = closures[b.GetIdx()]
                out.append(bond_text(b) + (str(d) if d < 10 else f"%{d}"))
        for k, b in enumerate(children[a]):
            last = k == len(children[a]) - 1
            out.append(bond_text(b) if last else "(" + bond_text(b))
            write(b.GetOtherAtomIdx(a), out)
            if not last:
                out.append(")")

    parts = []
    for a in range(n):
        if not seen[a]:
            walk(a, None)
            out = []
            write(a, out)
            parts.append("".join(out))
    return ".".join(parts)


def parse_tool_line(line, nq):
    f = line.rstrip("\n").split("\t")
    rec = {"record": int(f[0]), "ok": f[1] == "1", "status": f[1], "atoms": int(f[2]), "bonds": int(f[3]), "rings": int(f[4]),
           "sizes": [] if f[5] == "-" else [int(v) for v in f[5].split(",")], "truncated": f[6] == "1",
           "hits": []}
    for k in range(nq):
        rec["hits"].append((f[7 + 2 * k], f[8 + 2 * k]))
    return rec


def run_tool(tool, queries, path):
    out = subprocess.run([tool, *queries, "--", path], check=True, capture_output=True, text=True).stdout
    lines = out.splitlines()
    return [parse_tool_line(l, len(queries)) for l in lines[1:]]


def rdkit_hit(mol, query):
    """(found, set of frozensets of matched atoms, 1-based)."""
    matches = mol.GetSubstructMatches(query, uniquify=True, useChirality=False, maxMatches=MAX_MATCHES)
    return {frozenset(i + 1 for i in m) for m in matches}


def write_aromatic_copy(files, path):
    """Every sanitisable molecule of the files with aromatic bond types."""
    n = 0
    with open(path, "w") as out:
        for f in files:
            for mol in Chem.SDMolSupplier(f, sanitize=True, removeHs=False):
                if mol is None:
                    continue
                out.write(Chem.MolToMolBlock(mol, kekulize=False))
                out.write("$$$$\n")
                n += 1
    return n


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    tool, qdir = sys.argv[1], sys.argv[2]
    files = sys.argv[3:] or sorted(glob.glob("/usr/share/RDKit/**/*.sdf", recursive=True))
    RDLogger.DisableLog("rdApp.*")
    qfiles = sorted(glob.glob(os.path.join(qdir, "*.mol")))
    if not files or not qfiles:
        print("no SD files or no queries")
        return 77
    queries = []
    for q in qfiles:
        m = Chem.MolFromMolFile(q, sanitize=False, removeHs=False)
        exact = Chem.MolFromSmarts(query_smarts(m, True))
        anyb = Chem.MolFromSmarts(query_smarts(m, False))
        queries.append((os.path.basename(q)[:-4], exact, anyb))
        print(f"query {queries[-1][0]}: {query_smarts(m, True)}  |  {query_smarts(m, False)}")

    tmpdir = tempfile.TemporaryDirectory()
    aromatic = os.path.join(tmpdir.name, "aromatic.sdf")
    if write_aromatic_copy(files, aromatic):
        files = files + [aromatic]

    failures, explained = [], []
    skipped = collections.Counter()
    compared = 0
    hit_totals = collections.Counter()
    for path in files:
        ours = run_tool(tool, qfiles, path)
        theirs = list(Chem.SDMolSupplier(path, sanitize=False, removeHs=False))
        short = os.path.basename(path)
        if len(ours) != len(theirs):
            failures.append(f"{short}: {len(ours)} records read by us, {len(theirs)} by RDKit")
            continue
        for rec, mol in zip(ours, theirs):
            where = f"{short} #{rec['record']}"
            if mol is None:
                skipped["RDKit cannot read"] += 1
                continue
            if not rec["ok"]:
                skipped[f"our reader: {rec['status']}"] += 1
                if rec["status"] != "too-many-atoms":
                    explained.append(f"{where}: not read completely by our reader: {rec['status']}")
                continue
            name = mol.GetProp("_Name") if mol.HasProp("_Name") else ""
            where += f" {name}"
            if (rec["atoms"], rec["bonds"]) != (mol.GetNumAtoms(), mol.GetNumBonds()):
                failures.append(f"{where}: read as {rec['atoms']} atoms, {rec['bonds']} bonds; RDKit "
                                f"{mol.GetNumAtoms()}, {mol.GetNumBonds()}")
                continue
            compared += 1
            sssr = sorted(len(r) for r in Chem.GetSSSR(mol))
            if rec["rings"] != len(sssr):
                failures.append(f"{where}: ring count {rec['rings']}, RDKit {len(sssr)}")
            if rec["sizes"] != sssr:
                ours_c, theirs_c = collections.Counter(rec["sizes"]), collections.Counter(sssr)
                symm = sorted(len(r) for r in Chem.GetSymmSSSR(mol))
                if rec["sizes"] == symm:
                    explained.append(f"{where}: cage: ring sizes {rec['sizes']}, RDKit {sssr}, "
                                     f"symmetrised {symm}")
                elif len(rec["sizes"]) < rec["rings"] and not (ours_c - theirs_c):
                    explained.append(f"{where}: missed: ring sizes {rec['sizes']}, RDKit {sssr}")
                else:
                    failures.append(f"{where}: ring sizes {rec['sizes']}, RDKit {sssr}")
            for (qname, qexact, qany), (hexact, hany) in zip(queries, rec["hits"]):
                for mode, q, h in (("exact", qexact, hexact), ("any", qany, hany)):
                    sets = rdkit_hit(mol, q)
                    if h == "A":
                        failures.append(f"{where}: {qname} ({mode} bonds): our search stopped at its step limit")
                        continue
                    found = h != "-"
                    hit_totals[(qname, mode, found)] += 1
                    if found != bool(sets):
                        failures.append(f"{where}: {qname} ({mode} bonds): ours {'hit' if found else 'no hit'}, "
                                        f"RDKit {len(sets)} matches")
                    elif found and frozenset(int(v) for v in h.split(",")) not in sets:
                        failures.append(f"{where}: {qname} ({mode} bonds): our matched atoms {h} are no match "
                                        f"of RDKit's")

    if compared == 0:
        print("no molecules compared")
        return 77
    print(f"{compared} molecules compared from {len(files)} files; skipped: {dict(skipped)}")
    print("hits (bond types compared / any bond type):")
    for qname, _, _ in queries:
        print(f"  {qname:18s} {hit_totals[(qname, 'exact', True)]:5d} / {hit_totals[(qname, 'any', True)]:5d}")
    for e in explained:
        print("EXPLAINED " + e)
    for f in failures:
        print("DISAGREEMENT " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
