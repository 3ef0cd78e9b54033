function dumpCases(folders, out)
%DUMPCASES Raw dumps of every name_{image,trimap,alpha}.png case in folders, for
%   bench/stageBench (its --sequential option gives the quality both ways).
%   dumpCases({'../shared/data', '../shared/photos'}, 'build/bench-data/cases')
%   writes out/name.raw: int32 rows, cols, uint8 image planes, trimap, alpha.
if ~exist(out, 'dir')
  mkdir(out);
end
for f = 1:numel(folders)
  listing = dir(fullfile(folders{f}, '*_image.png'));
  for k = 1:numel(listing)
    name = listing(k).name(1:end - numel('_image.png'));
    base = fullfile(folders{f}, name);
    if ~exist([base '_alpha.png'], 'file') || ~exist([base '_trimap.png'], 'file')
      continue;
    end
    image = bytes(imread([base '_image.png']));
    if size(image, 3) == 1
      image = repmat(image, [1 1 3]);
    end
    trimap = bytes(imread([base '_trimap.png']));
    alpha = bytes(imread([base '_alpha.png']));
    target = fullfile(out, [name '.raw']);
    h = fopen([target '.part'], 'w');
    fwrite(h, int32([size(image, 1) size(image, 2)]), 'int32');
    fwrite(h, image(:, :, 1:3), 'uint8');
    fwrite(h, trimap(:, :, 1), 'uint8');
    fwrite(h, alpha(:, :, 1), 'uint8');
    if fclose(h) ~= 0
      error('dumpCases: cannot write %s', target);
    end
    rename([target '.part'], target);
  end
end
end

function b = bytes(x)
% 0..255 whatever the PNG's depth.
if isa(x, 'uint16')
  b = uint8(round(double(x) / 257));
elseif islogical(x)
  b = uint8(x) * 255;
else
  b = uint8(x);
end
end
