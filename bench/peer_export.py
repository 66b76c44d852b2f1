#!/usr/bin/env python3
"""Exports the sales orders of an account database the way an integrator
would without the component: the standard library's sqlite3 and
xml.etree.ElementTree, one query a page that joins the orders with the rows
they refer to, one query per order for its entries, no schema validation.
Pages of 100 orders in the component's order (by FOperDate, the row version,
each page after the last row version of the one before), one file a page,
named and shaped as `corvane export saleorder` writes them.

    peer_export.py DB OUT_DIR [--per-count N]
"""
import argparse
import os
import sqlite3
import xml.etree.ElementTree as ET

NAMESPACE = "urn:corvane:documents:1"

PAGE = """SELECT o.FInterID, o.FOperDate, o.FUUID, o.FBillNo, o.FDate, o.FFetchAdd,
  o.FExchangeRate, s1.FID, s1.FName, s1.UUID, s2.FID, s2.FName, s2.UUID, o.FDiscountType,
  c.FNumber, c.FName, c.UUID, cu.FNumber, cu.FName, cu.UUID, d.FNumber, d.FName, d.UUID,
  em.FNumber, em.FName, em.UUID, m.FNumber, m.FName, m.UUID, u.FUserID, u.FName, u.UUID
FROM SEOrder o
LEFT JOIN t_SubMessage s1 ON s1.FInterID = o.FSettleID
LEFT JOIN t_SubMessage s2 ON s2.FInterID = o.FSaleStyle
LEFT JOIN t_Item c ON c.FItemID = o.FCustID
LEFT JOIN t_Currency cu ON cu.FCurrencyID = o.FCurrencyID
LEFT JOIN t_Item d ON d.FItemID = o.FDeptID
LEFT JOIN t_Item em ON em.FItemID = o.FEmpID
LEFT JOIN t_Item m ON m.FItemID = o.FMangerID
LEFT JOIN t_User u ON u.FUserID = o.FBillerID
WHERE o.FInterID <> 0 AND o.FOperDate > ?
ORDER BY o.FOperDate LIMIT ?"""

ENTRIES = """SELECT e.FEntryID, i.FNumber, i.FName, i.UUID, mu.FNumber, mu.FName, mu.UUID,
  e.FAuxQty, e.FAuxPrice, e.FAmount, e.FTaxRate, e.FDiscount, e.FFinalAmount, e.FCESS, e.FNote,
  ct.FContractID, ct.FContractNo, ct.UUID
FROM SEOrderEntry e
LEFT JOIN t_Item i ON i.FItemID = e.FItemID
LEFT JOIN t_MeasureUnit mu ON mu.FMeasureUnitID = e.FUnitID
LEFT JOIN t_RpContract ct ON ct.FContractID = e.FContractInterID
WHERE e.FInterID = ? ORDER BY e.FEntryID"""

HEAD_KEYS = [("SettleStyle", 7), ("SaleStyle", 10), ("DiscountType", None), ("Customer", 14),
             ("Currency", 17), ("Department", 20), ("Employee", 23), ("Manger", 26),
             ("BillerID", 29)]
ENTRY_NUMBERS = ["Qty", "Price", "Amount", "TaxRate", "Discount", "FinalAmount", "CESS"]


def text(value, fallback=None):
    """The value as the document writes it: whole numbers without a point."""
    if value is None:
        return fallback
    if isinstance(value, float):
        return "%.15g" % value
    return str(value)


def leaf(parent, name, value, fallback=None):
    value = text(value, fallback)
    if value is not None:
        ET.SubElement(parent, name).text = value


def key(parent, name, row, at):
    """Number, Name and UUID of the row referred to; nothing when none is."""
    if row[at] is None and row[at + 2] is None:
        return
    element = ET.SubElement(parent, name)
    leaf(element, "Number", row[at])
    leaf(element, "Name", row[at + 1])
    leaf(element, "UUID", row[at + 2])


def order_element(root, head, db):
    order = ET.SubElement(root, "SaleOrder")
    leaf(order, "UUID", head[2])
    leaf(order, "BillNo", head[3])
    if head[4] is not None:
        leaf(order, "Date", head[4][:10])
    leaf(order, "FetchAdd", head[5], "")
    leaf(order, "ExchangeRate", head[6], "1")
    for name, at in HEAD_KEYS:
        if at is None:
            leaf(order, name, head[13], "0")
        else:
            key(order, name, head, at)
    for row in db.execute(ENTRIES, (head[0],)):
        entry = ET.SubElement(order, "OrderEntry")
        leaf(entry, "EntryID", row[0])
        key(entry, "Item", row, 1)
        key(entry, "Unit", row, 4)
        for offset, name in enumerate(ENTRY_NUMBERS):
            leaf(entry, name, row[7 + offset], "0")
        leaf(entry, "Note", row[14], "")
        key(entry, "Contract", row, 15)


def export(db_path, out_dir, per_count):
    db = sqlite3.connect("file:%s?mode=ro" % db_path, uri=True)
    os.makedirs(out_dir, exist_ok=True)
    cursor = bytes(8)  # the row version before every other
    pages = orders = 0
    while True:
        heads = db.execute(PAGE, (cursor, per_count if per_count > 0 else -1)).fetchall()
        if not heads:
            break
        root = ET.Element("TavoIndSaleOrder", xmlns=NAMESPACE)
        for head in heads:
            order_element(root, head, db)
        cursor = heads[-1][1]
        tree = ET.ElementTree(root)
        ET.indent(tree, "  ")
        tree.write(os.path.join(out_dir, "saleorder-0x%s.xml" % cursor.hex().upper()),
                   encoding="UTF-8", xml_declaration=True)
        pages += 1
        orders += len(heads)
    db.close()
    return pages, orders


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("db")
    parser.add_argument("out_dir")
    parser.add_argument("--per-count", type=int, default=100)
    args = parser.parse_args()
    pages, orders = export(args.db, args.out_dir, args.per_count)
    print("exported %d sales orders in %d pages" % (orders, pages))


if __name__ == "__main__":
    main()
