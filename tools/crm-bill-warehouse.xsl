<?xml version="1.0" encoding="UTF-8"?>
<!--
  The CRM's side of a stock bill round trip: the ERP reports the warehouse
  of every entry, and takes an incoming bill's warehouse from the bill
  itself. This stylesheet gives each bill that has none the warehouse of
  its first entry, as a CRM does before it sends the bill back.
    xsltproc tools/crm-bill-warehouse.xsl exported.xml > to-import.xml
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
                xmlns:d="urn:corvane:documents:1">
  <xsl:template match="@*|node()">
    <xsl:copy><xsl:apply-templates select="@*|node()"/></xsl:copy>
  </xsl:template>
  <xsl:template match="d:StockBill[not(d:DCStockID)]/d:Entry[1]">
    <xsl:copy-of select="d:DCStockID"/>
    <xsl:copy><xsl:apply-templates select="@*|node()"/></xsl:copy>
  </xsl:template>
</xsl:stylesheet>
