SELECT /* SELECT TOP 1 x=1 /* nested 0x1 */ N'a' + 'b' */ a, 'it''s 16394AND', "TOP 5" -- TOP 1 0x1 [x]
FROM t