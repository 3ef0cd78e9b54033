function largeInputTest(side)
%LARGEINPUTTEST A side x side image (default 4000) with a wide unknown band goes
%   through fringeScan and one pairSeek pass; prints time and peak memory next to
%   the size of the arrays themselves. A slow test, outside the default run.
  if nargin < 1, side = 4000; end
  [r, c] = ndgrid(single(1:side), single(1:side));
  d = sqrt((r - side / 2) .^ 2 + (c - side / 2) .^ 2);
  clear r c
  fgMask = d < side * 0.25;
  bgMask = d > side * 0.40;
  unknownMask = ~fgMask & ~bgMask;
  image = rand(side, side, 3);
  clear d
  baseline = peakMegabytes();

  tic;
  [fgPos, fgColour, bgPos, bgColour, unknownPos, unknownColour, indexMap] = ...
      fringeScan(image, fgMask, bgMask, unknownMask);
  scanSeconds = toc;
  nU = size(unknownPos, 1); nF = size(fgPos, 1); nB = size(bgPos, 1);
  fgIndex = int32(mod((0:nU - 1)', nF) + 1);
  bgIndex = int32(mod((0:nU - 1)', nB) + 1);
  scale = ones(nU, 1);
  opacity = zeros(side, side);
  afterScan = peakMegabytes();

  tic;
  pairSeek(unknownColour, unknownPos, fgColour, fgPos, bgColour, bgPos, scale, scale, indexMap, ...
           unknownMask, 0.5, 1, fgIndex, bgIndex, opacity, 1);
  passSeconds = toc;
  afterPass = peakMegabytes();

  assert(all(fgIndex >= 1 & fgIndex <= nF) && all(bgIndex >= 1 & bgIndex <= nB));
  assert(all(isfinite(opacity(unknownMask))));
  hostArrays = (numel(image) * 8 + 3 * numel(fgMask) + numel(opacity) * 8 + numel(indexMap) * 4 ...
                + (nU + nF + nB) * 6 * 8 + nU * (2 * 8 + 2 * 4)) / 2^20;
  fprintf('largeInputTest: %dx%d, %d unknown, %d + %d samples\n', side, side, nU, nF, nB);
  fprintf('  fringeScan %.2f s, one pairSeek pass %.2f s\n', scanSeconds, passSeconds);
  fprintf('  peak memory: %.0f MiB before the scan, %.0f after it, %.0f after the pass; host arrays %.0f MiB\n', ...
          baseline, afterScan, afterPass, hostArrays);
end

function mb = peakMegabytes()
  % High-water mark of the process's resident memory (Linux).
  status = fileread('/proc/self/status');
  kb = sscanf(regexp(status, 'VmHWM:\s*(\d+)', 'tokens', 'once'){1}, '%d');
  mb = kb / 1024;
end
