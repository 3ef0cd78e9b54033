function pairMatteQualityTest()
%PAIRMATTEQUALITYTEST The quality table within the SAD bounds of the shared test
%   data (10 passes, default options): a regression in the modules or in pairMatte
%   raises the SAD. Uses ../shared/data beside the repository when present, else the
%   copy of synth1 shipped in data/.
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  shared = fullfile(root, '..', 'shared', 'data');
  bounds = struct('test', 0.01, 'synth1', 0.40, 'synth2', 1.15, 'synth3', 3.3);
  if exist(shared, 'dir')
    results = matteQuality(shared);
  else
    results = matteQuality(fullfile(root, 'data'));
  end
  checked = 0;
  for r = results
    if isfield(bounds, r.name)
      assert(r.sad <= bounds.(r.name), '%s: SAD %.4f above its bound %.2f', r.name, r.sad, bounds.(r.name));
      checked = checked + 1;
    end
  end
  assert(checked >= 1, 'no case with a SAD bound found');
  fprintf('pairMatteQualityTest: passed (%d cases)\n', checked);
end
