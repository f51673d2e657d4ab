-- wrk script: every request asks for the next page of the site, cycling through the paths
-- listed one a line in the file named by BENCH_PATHS.
local paths = {}
for line in io.lines(os.getenv("BENCH_PATHS")) do
  if line ~= "" then paths[#paths + 1] = line end
end
local i = 0

request = function()
  i = i % #paths + 1
  return wrk.format("GET", paths[i])
end
