#!/usr/bin/python3
# Reads the running program through AT-SPI as a screen reader would: the strip of the
# whole-stream read, then the "Flux complet" window opened from its button: the buttons,
# the matrix-set table cell by cell, the graph's role, name and description. With the
# argument "codec": an H.264 video's lists' box and its window of the sets of lists.
import sys
import time

import pyatspi

MAIN_TITLE = "Quantaline -  1.10 - by Velnor"
failures = []


def walk(node):
    if node is None:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i))


def find(root, predicate):
    for node in walk(root):
        try:
            if predicate(node):
                return node
        except Exception:
            pass
    return None


def wait_for(what, function, seconds=60):
    end = time.time() + seconds
    while time.time() < end:
        found = function()
        if found:
            return found
        time.sleep(0.2)
    print("not found: " + what, file=sys.stderr)
    sys.exit(1)


def window(title):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        for i in range(app.childCount):
            w = app.getChildAtIndex(i)
            if w is not None and w.name == title:
                return w
    return None


def check(condition, text):
    print(("ok   " if condition else "FAIL ") + text)
    if not condition:
        failures.append(text)


def enabled(node):
    return node.getState().contains(pyatspi.STATE_ENABLED)


def read_strip(main, status_text, change_text):
    """The strip once the read has ended: its status and its change; the button it enables."""
    flux_button = wait_for("Flux complet button",
                           lambda: find(main, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                                        and n.name == "Flux complet\u2026" and enabled(n)))
    status = find(main, lambda n: n.name.startswith("Flux complet : "))
    check(status is not None and status.name == status_text,
          "strip status: %r" % (status.name if status else None))
    change = find(main, lambda n: n.name == change_text)
    check(change is not None, "strip tells of the change: %r" % change_text)
    return flux_button


def read_mpeg(main):
    """An MPEG-2 stream whose matrices change: the strip, "Flux complet", its check."""
    flux_button = read_strip(main, "Flux complet : 12 images, 2 jeux de matrices",
                             "Les matrices changent en cours de flux : 2 jeux")
    cancel = find(main, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == "Annuler")
    check(cancel is not None and not enabled(cancel), "Annuler readable, disabled after the read")
    check(flux_button.description != "", "Flux complet button described: %r" % flux_button.description)
    cell = find(main, lambda n: n.getRole() == pyatspi.ROLE_LABEL and n.name == "8")
    check(cell is not None, "the main window's grid cells stay readable")

    flux_button.queryAction().doAction(0)
    flux = wait_for("Flux complet window", lambda: window("Flux complet - mpeg2-es-joined.m2v"))
    for name in ("Utiliser ce jeu de matrices", "Enregistrer les images (CSV)\u2026", "Fermer"):
        button = find(flux, lambda n, name=name: n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                      and n.name == name)
        check(button is not None, "button %r" % name)
    table = find(flux, lambda n: n.getRole() == pyatspi.ROLE_TABLE and n.name == "Jeux de matrices")
    check(table is not None, "table named")
    if table is not None:
        t = table.queryTable()
        check(t.nRows == 2 and t.nColumns == 6, "table %dx%d" % (t.nRows, t.nColumns))
        header = [t.getColumnDescription(c) for c in range(t.nColumns)]
        check(header[:4] == ["Jeu", "Première image", "Images", "Code temporel"],
              "column headers %r" % header)
        rows = [[t.getAccessibleAt(r, c).name for c in range(4)] for r in range(t.nRows)]
        check(rows == [["1", "0", "8", "00:00:00:00"], ["2", "4", "4", "00:00:00:00"]],
              "table cells %r" % rows)
    graph = find(flux, lambda n: n.getRole() == pyatspi.ROLE_CHART)
    check(graph is not None and graph.name == "Graphe des images", "graph is a chart, named")
    if graph is not None:
        check("12 images" in graph.description and "jeu 2" in graph.description,
              "graph described: %r" % graph.description)
    summary = find(flux, lambda n: n.name == "12 (I : 6, P : 6)" and n.description == "Images :")
    check(summary is not None, "summary value readable with its caption")

    # The check: its verdict in the strip, the graph's views, the "Conformité" tab's profile
    # and findings, one row a finding.
    verdict = find(main, lambda n: n.description == "Conformité du flux à son profil")
    check(verdict is not None and verdict.name.endswith(("écart", "écarts")),
          "strip verdict: %r" % (verdict.name if verdict else None))
    # A combo box reads as its current choice, with its description.
    view = find(flux, lambda n: n.getRole() == pyatspi.ROLE_COMBO_BOX and n.name == "Octets par image")
    check(view is not None and view.description.startswith("Ce que montre le graphe"),
          "graph view choice readable: %r" % (view.description if view else None))
    tab = find(flux, lambda n: n.getRole() == pyatspi.ROLE_PAGE_TAB and n.name == "Conformité")
    check(tab is not None, "Conformité tab readable")
    if tab is not None:
        tab.queryAction().doAction(0)
    profile = wait_for("profile choice", lambda: find(
        flux, lambda n: n.getRole() == pyatspi.ROLE_COMBO_BOX and n.description.startswith(
            "Les règles du disque")))
    check(profile.name.startswith("Automatique"), "profile choice reads %r" % profile.name)
    findings = wait_for("findings table", lambda: find(
        flux, lambda n: n.getRole() == pyatspi.ROLE_TABLE and n.name == "Écarts"))
    if findings is not None and verdict is not None:
        f = findings.queryTable()
        count = 0 if verdict.name.startswith("Aucun") else int(verdict.name.split()[0])
        check(f.nRows == count and f.nColumns == 6, "findings %dx%d for %r" % (f.nRows, f.nColumns,
                                                                           verdict.name))
        header = [f.getColumnDescription(c) for c in range(f.nColumns)]
        check(header == ["Règle", "GOP", "Image", "Temps", "Trouvé", "Limite"],
              "findings headers %r" % header)
        if f.nRows > 0:
            check(f.getAccessibleAt(0, 0).name != "", "first finding's rule readable")


def read_codec(main):
    """An H.264 stream whose lists change: the lists' box, the strip, the sets of lists."""
    flux_button = read_strip(main, "Flux complet : 6 images, 2 jeux de listes",
                             "Les listes changent en cours de flux : 2 jeux")
    lists = find(main, lambda n: n.getRole() == pyatspi.ROLE_COMBO_BOX and n.description ==
                 "Choisit les listes de quantification que montrent les deux grilles")
    check(lists is not None and lists.name == "Listes 8x8 Y",
          "lists' box reads %r" % (lists.name if lists else None))
    flux_button.queryAction().doAction(0)
    flux = wait_for("Flux complet window", lambda: window("Flux complet - joined.264"))
    table = find(flux, lambda n: n.getRole() == pyatspi.ROLE_TABLE and n.name == "Jeux de listes")
    check(table is not None and table.description.startswith("Un jeu de listes par ligne"),
          "sets table named and described")
    if table is not None:
        t = table.queryTable()
        check(t.nRows == 2 and t.nColumns == 4, "table %dx%d" % (t.nRows, t.nColumns))
        header = [t.getColumnDescription(c) for c in range(t.nColumns)]
        check(header == ["Jeu", "Première image", "Images", "Jeux de paramètres"],
              "column headers %r" % header)
        rows = [[t.getAccessibleAt(r, c).name for c in range(4)] for r in range(t.nRows)]
        check(rows == [["1", "0", "4", "SPS 0, PPS 0"], ["2", "2", "2", "SPS 0, PPS 0"]],
              "table cells %r" % rows)
    choice = find(flux, lambda n: n.getRole() == pyatspi.ROLE_COMBO_BOX and n.description ==
                  "Choisit les listes du jeu que montrent les deux grilles")
    check(choice is not None and choice.name == "Listes 8x8 Y",
          "set's lists choice reads %r" % (choice.name if choice else None))
    summary = find(flux, lambda n: n.name == "6" and n.description == "Images :")
    check(summary is not None, "summary value readable with its caption")
    cell = find(flux, lambda n: n.getRole() == pyatspi.ROLE_LABEL and n.name == "42")
    check(cell is not None, "the set's grid cells readable")


main = wait_for("main window", lambda: window(MAIN_TITLE))
(read_codec if sys.argv[1:] == ["codec"] else read_mpeg)(main)

quit_button = find(main, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == "Quitter")
quit_button.queryAction().doAction(0)
sys.exit(1 if failures else 0)
