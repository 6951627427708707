# The task list's tabs and the calendar's days, and completing a task, on a demo directory.
# Tasks due today are ordered by the time of day the demo was made, so those lists
# are compared sorted.
task_dir=$(mktemp -d)
"$tool" demo "$task_dir/p" --firms 60 --seed 5 > /dev/null
task_today=$(date +%F)
task_tomorrow=$(date -d tomorrow +%F)
sorted_tasks() { "$tool" tasks "$task_dir/p" "$@" 2>&1 | sort -n | tr '\n' ' ' | sed 's/ $//'; }
same() {
  if [ "$1" = "$2" ]; then pass=$((pass+1))
  else fail=$((fail+1)); echo "FAIL: $3 -> '$1' (want '$2')"; fi
}
same "$(sorted_tasks current)" "1 2 3 4 5 10 15 20" "tasks current"
same "$(sorted_tasks today)" "4 5 10 15 20" "tasks today"
same "$(sorted_tasks tomorrow)" "6 11 16 21" "tasks tomorrow"
same "$(sorted_tasks day "$task_tomorrow")" "6 11 16 21" "tasks day tomorrow"
same "$(sorted_tasks today --today "$task_tomorrow")" "6 11 16 21" "tasks today --today tomorrow"
expect 0 "$(seq 1 24)" -- tasks "$task_dir/p" all
expect 0 "6" -- tasks "$task_dir/p" firm 14
expect 0 "" -- tasks "$task_dir/p" firm 4
expect 0 "16
6
11
21" -- tasks "$task_dir/p" tomorrow
expect 0 "done 2" -- tasks "$task_dir/p" done 2 --by Jana --today "$task_today"
same "$(sorted_tasks current)" "1 3 4 5 10 15 20" "tasks current after done 2"
same "$("$tool" dump "$task_dir/p" UKOLY | awk -F, '$1 == 2 { print $14 "," $12 }')" "1,Jana" \
  "task 2 stamped done by Jana"
expect 1 "zevlon-tool: no task 99" -- tasks "$task_dir/p" done 99
expect 2 "zevlon-tool: not a date: 2026-02-30" -- tasks "$task_dir/p" day 2026-02-30
expect 2 "zevlon-tool: not a number: x" -- tasks "$task_dir/p" firm x
rm -rf "$task_dir"
