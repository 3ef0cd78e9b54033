function pairMatteQualityTest()
%PAIRMATTEQUALITYTEST The quality table within the SAD bounds of the shared test
%   data (10 passes, default options), for the search alone and for the refined
%   matte: a regression in the modules, in pairMatte or in the refinement raises
%   the SAD. Uses ../shared/data beside the repository when present, else the
%   copy of synth1 shipped in data/.
  searchBounds = struct('test', 0.01, 'synth1', 0.40, 'synth2', 1.15, 'synth3', 3.3);
  refinedBounds = struct('test', 0.01, 'synth1', 0.125, 'synth2', 0.85, 'synth3', 2.45);
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  folder = fullfile(root, '..', 'shared', 'data');
  if ~exist(folder, 'dir')
    folder = fullfile(root, 'data');
  end
  results = matteQuality(folder);
  checked = 0;
  for r = results
    if isfield(searchBounds, r.name)
      assert(r.searchSad <= searchBounds.(r.name), '%s: search SAD %.4f above its bound %.3f', ...
             r.name, r.searchSad, searchBounds.(r.name));
      assert(r.sad <= refinedBounds.(r.name), '%s: refined SAD %.4f above its bound %.3f', ...
             r.name, r.sad, refinedBounds.(r.name));
      checked = checked + 1;
    end
  end
  assert(checked >= 1, 'no case with a SAD bound found');
  fprintf('pairMatteQualityTest: passed (%d cases)\n', checked);
end
