function pairMatteQualityTest()
%PAIRMATTEQUALITYTEST The quality table within the SAD bounds of the shared test
%   data (default options), for the search alone and for the refined matte, and the
%   refined matte of two shared photographs and of two backdrop cases made from
%   them within theirs: a regression in the modules, in the pipeline or in the
%   refinement raises the SAD. Uses ../shared/data beside the repository when
%   present, else the copy of synth1 shipped in data/; the photographs and the
%   backdrop cases only when ../shared/photos is there.
  % The composites are blends of stored values, which the default gamma reads as
  % blends of light: test's search alone errs by 0.018 where Gamma 1 reads it exactly.
  searchBounds = struct('test', 0.02, 'synth1', 0.40, 'synth2', 1.0, 'synth3', 3.3);
  refinedBounds = struct('test', 0.005, 'synth1', 0.082, 'synth2', 0.75, 'synth3', 2.25);
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

  % A narrow trimap over a textured background and a wide one over fur, each a few
  % per cent above its refined SAD when the bound was set (0.938 and 1.218).
  photoBounds = struct('am05t1', 0.97, 'am14t2', 1.26);
  photos = fullfile(root, '..', 'shared', 'photos');
  if exist(photos, 'dir')
    checked = checked + checkBounds(photos, photoBounds);
  else
    fprintf('pairMatteQualityTest: no %s, photographs skipped\n', photos);
  end

  % A veil and fur over a backdrop that changes behind them, in a 14-pixel band:
  % the synthetic foreground of synth3 over the backgrounds of two photographs
  % (bench/backdropCases), where the search's background samples are far from the
  % colour behind the veil; a few per cent above their SAD when the bound was set
  % (0.632 and 1.496; closed-form matting 1.267 and 1.549; 0.589 and 0.973 with
  % Gamma 1, which reads these composites of stored values as they were made).
  if exist(photos, 'dir') && exist(fullfile(folder, 'synth3_foreground.png'), 'file')
    cases = tempname();
    mkdir(cases);
    cleanup = onCleanup(@() removeFolder(cases));
    addpath(fullfile(root, 'bench'));
    backdropCases(folder, photos, cases, 'background');
    checked = checked + checkBounds(cases, struct('b18', 0.65, 'b24', 1.54));
  end
  fprintf('pairMatteQualityTest: passed (%d cases)\n', checked);
end

function checked = checkBounds(folder, bounds)
% The refined SAD of each named case of folder within its bound.
  checked = 0;
  for name = fieldnames(bounds)'
    base = fullfile(folder, name{1});
    image = imread([base '_image.png']);
    trimap = imread([base '_trimap.png']);
    truth = double(imread([base '_alpha.png'])) / 255;
    unknown = trimap ~= 0 & trimap ~= 255;
    alpha = pairMatte(image, trimap);
    sad = sum(abs(alpha(unknown) - truth(unknown))) / 1000;
    fprintf('pairMatteQualityTest: %s refined SAD %.4f\n', name{1}, sad);
    assert(sad <= bounds.(name{1}), '%s: refined SAD %.4f above its bound %.3f', name{1}, sad, bounds.(name{1}));
    checked = checked + 1;
  end
end

function removeFolder(folder)
  confirm_recursive_rmdir(false, 'local');
  rmdir(folder, 's');
end
