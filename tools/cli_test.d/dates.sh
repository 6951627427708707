# Dates, times and pictures.
expect 0 "72095" -- date 1998-05-19
expect 0 "1998-05-19" -- date 72095
expect 0 "4" -- date 1801-01-01
expect 0 "2099-12-31" -- date 109211
expect 2 "invalid" -- date 1900-02-29
expect 2 "invalid" -- date 109212
expect 2 "invalid" -- date 3
expect 2 "invalid" -- date 1998-5
expect 2 "invalid" -- date 98-05-19
expect 2 "invalid" -- date 99999999999999999999
expect 2 "zevlon-tool: usage: date YYYY-MM-DD | NUMBER" -- date
expect 0 "4951026" -- time 13:45:10.25
expect 0 "13:45:10.25" -- time 4951026
expect 0 "8640000" -- time 23:59:59.99
expect 0 "00:00:00.00" -- time 1
expect 0 "4950001" -- time 13:45
expect 2 "invalid" -- time 24:00
expect 2 "invalid" -- time 8640001
expect 2 "invalid" -- time 13:45:10:25
expect 0 "19.05.1998" -- format @d6. 72095
expect 0 "19.05.98" -- format @D5. 72095
expect 0 "May 19, 1998" -- format @d3 72095
expect 0 "1:45PM" -- format @t3 4951026
expect 0 "" -- format @d6. 0
expect 2 "invalid" -- format @d6. 109212
expect 2 "zevlon-tool: invalid picture '@d21': date picture number must be 1 to 20" -- format @d21 72095
expect 2 "zevlon-tool: not a number: 'x'" -- format @d6 x
expect 0 "72095" -- deformat @d6. 19.05.1998
expect 0 "71957" -- deformat @d6. "1. 1. 1998"
expect 0 "4950001" -- deformat @t1 13:45
expect 0 "0" -- deformat @d6. ""
expect 2 "invalid" -- deformat @d6. 31.04.1998
expect 2 "zevlon-tool: invalid picture '@t9': time picture number must be 1 to 8" -- deformat @t9 13:45
